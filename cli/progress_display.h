// Transfer and conversion progress on standard error: a live bar on a terminal, one line per
// transferred file otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace kvd::cli {

class ProgressDisplay {
  public:
    using Clock = std::chrono::steady_clock;

    // A live bar when out is a terminal.
    explicit ProgressDisplay(std::FILE* out);
    // For tests: the display style and the clock chosen by the caller.
    ProgressDisplay(std::FILE* out, bool live, std::function<Clock::time_point()> now);
    ~ProgressDisplay() { Finish(false); }

    // A ProgressCallback; context is the ProgressDisplay.
    static void Report(void* context, int32_t percent, const char* fileName, double elapsed,
                       double estimate, int32_t mode);

    // Ends the current file's line, saying whether its transfer went through.
    void Finish(bool succeeded);

    // A ConversionProgress; context is the ProgressDisplay. Only a terminal shows it, as a bar
    // that EndConversion() wipes: a large log takes seconds to convert, and a line per
    // conversion in a log file would say nothing the saved file's name does not.
    static void ReportConversion(void* context, int32_t percent, const char* fileName);
    void EndConversion();

  private:
    void Show(int32_t percent, const std::string& name);
    void UpdateEstimate(int percent, Clock::time_point now);
    void DrawBar(const std::string& tail);
    static std::string Bar(int percent);
    double Seconds(Clock::time_point since) const;

    std::FILE* out_;
    bool live_;
    std::function<Clock::time_point()> now_;

    std::string current_;
    bool open_ = false;        // a file is in progress: its bar is shown or its line is due
    int shown_ = 0;            // the percentage last shown
    Clock::time_point start_;  // the file's first report: the rate is measured from there
    int startPercent_ = 0;     // the percentage of that report
    Clock::time_point lastReport_;
    std::optional<double> left_;  // smoothed seconds still to go, once there is a rate
    bool converting_ = false;     // a conversion bar is on the line
};

}  // namespace kvd::cli
