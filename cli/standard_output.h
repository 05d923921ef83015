// `-o -`: one converted log to standard output, for pipes into other programs. The log is
// converted into a private scratch folder exactly as into a save folder, then copied out, so
// that standard output carries the very bytes the file would hold.
#pragma once

#include <filesystem>
#include <string>

#include "cli/option_parser.h"
#include "gpslog/gpslog.h"

namespace kvd::cli {

// Whether --output names standard output.
bool OutputIsStandardOutput(const ParsedOptions& options);

// Empty when a run with `-o -` can give exactly one document; else the mistake in words.
std::string CheckStandardOutputRun(std::size_t logs, const OutputFormats& formats);

// Standard output in binary mode, and a closed pipe an error the run reports rather than a
// signal that ends it silently.
void PrepareStandardOutput();

// A folder of its own under the system's temporary folder, removed with all it holds.
class ScratchFolder {
  public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    bool Make(std::string& error);
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Copies the file to standard output and flushes it; false with the cause when any of it
// could not be written.
bool CopyToStandardOutput(const std::filesystem::path& file, std::string& error);

}  // namespace kvd::cli
