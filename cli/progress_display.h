// Transfer progress on standard error: a live bar on a terminal, one line per file otherwise.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kvd::cli {

class ProgressDisplay {
public:
    explicit ProgressDisplay(std::FILE* out);
    ~ProgressDisplay() { Finish(); }

    // A ProgressCallback; context is the ProgressDisplay.
    static void Report(void* context, int32_t percent, const char* fileName, double elapsed,
                       double estimate, int32_t mode);

    // Ends the current file's line.
    void Finish();

private:
    void Show(int32_t percent, const std::string& name, double elapsed, double estimate);

    std::FILE* out_;
    bool live_;
    std::string current_;
    bool open_ = false;     // a bar line is on the screen without its line feed
    bool reported_ = false;  // the current file's completion line was written
};

}  // namespace kvd::cli
