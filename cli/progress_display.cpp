#include "cli/progress_display.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace kvd::cli {
namespace {

std::string Clock(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out) : out_(out), live_(::isatty(::fileno(out)) != 0) {}

void ProgressDisplay::Report(void* context, int32_t percent, const char* fileName, double elapsed,
                             double estimate, int32_t) {
    static_cast<ProgressDisplay*>(context)->Show(percent, fileName ? fileName : "", elapsed,
                                                 estimate);
}

void ProgressDisplay::Show(int32_t percent, const std::string& name, double elapsed,
                           double estimate) {
    if (name != current_) {
        Finish();
        current_ = name;
        reported_ = false;
    }
    // The last block of a file counts whole, so reports run past 100.
    const int shown = std::clamp(percent, 0, 100);
    if (live_) {
        constexpr int kWidth = 30;
        const int filled = shown * kWidth / 100;
        std::fprintf(out_, "\r%-16s [%s%s] %3d%%  %s elapsed, %s left ", name.c_str(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), shown,
                     Clock(elapsed).c_str(), Clock(estimate - elapsed).c_str());
        open_ = true;
    } else if (shown == 100 && !reported_) {
        std::fprintf(out_, "%s: 100%% in %s\n", name.c_str(), Clock(elapsed).c_str());
        reported_ = true;
    }
    std::fflush(out_);
}

void ProgressDisplay::Finish() {
    if (open_) std::fputc('\n', out_);
    open_ = false;
}

}  // namespace kvd::cli
