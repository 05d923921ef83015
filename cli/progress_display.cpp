#include "cli/progress_display.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace kvd::cli {
namespace {

// Before this much of a file has passed, a rate says little: no estimate is shown.
constexpr double kSettlingSeconds = 1.0;
// The estimate follows a new measurement with this time constant, counting down meanwhile,
// and takes at most a quarter of any one step, so that neither uneven reports nor a stall
// make it jump.
constexpr double kSmoothingSeconds = 2.0;
constexpr double kLargestStep = 0.25;

std::string MinutesSeconds(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out)
    : ProgressDisplay(out, ::isatty(::fileno(out)) != 0, &Clock::now) {}

ProgressDisplay::ProgressDisplay(std::FILE* out, bool live, std::function<Clock::time_point()> now)
    : out_(out), live_(live), now_(std::move(now)) {}

void ProgressDisplay::Report(void* context, int32_t percent, const char* fileName, double, double,
                             int32_t) {
    // The link's times are whole seconds; the display keeps its own finer clock.
    static_cast<ProgressDisplay*>(context)->Show(percent, fileName ? fileName : "");
}

double ProgressDisplay::Seconds(Clock::time_point since) const {
    return std::chrono::duration<double>(now_() - since).count();
}

void ProgressDisplay::UpdateEstimate(int percent, Clock::time_point now) {
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double sinceLast = std::chrono::duration<double>(now - lastReport_).count();
    lastReport_ = now;
    if (elapsed < kSettlingSeconds || percent <= startPercent_) return;
    const double measured = (100 - percent) * elapsed / (percent - startPercent_);
    if (!left_) {
        left_ = measured;
        return;
    }
    const double counted = std::max(0.0, *left_ - sinceLast);
    const double weight = std::min(kLargestStep, sinceLast / (sinceLast + kSmoothingSeconds));
    left_ = counted + weight * (measured - counted);
}

void ProgressDisplay::Show(int32_t percent, const std::string& name) {
    const Clock::time_point now = now_();
    if (name != current_ || !open_) {
        Finish(true);
        current_ = name;
        open_ = true;
        start_ = lastReport_ = now;
        startPercent_ = std::clamp(percent, 0, 100);
        left_.reset();
    }
    // The last block of a file counts whole, so reports run past 100.
    shown_ = std::clamp(percent, 0, 100);
    UpdateEstimate(shown_, now);
    if (!live_) return;  // the file's one line comes when it ends
    std::string tail = MinutesSeconds(Seconds(start_)) + " elapsed";
    if (left_) tail += ", " + MinutesSeconds(*left_) + " left";
    DrawBar(tail);
}

std::string ProgressDisplay::Bar(int percent) {
    constexpr int kWidth = 30;
    const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kWidth - filled), '.') + "]";
}

void ProgressDisplay::DrawBar(const std::string& tail) {
    // The tail is padded so that a shorter one covers the longer one before it.
    std::fprintf(out_, "\r%-16s %s %3d%%  %-28s", current_.c_str(), Bar(shown_).c_str(), shown_,
                 tail.c_str());
    std::fflush(out_);
}

void ProgressDisplay::ReportConversion(void* context, int32_t percent, const char* fileName) {
    auto& display = *static_cast<ProgressDisplay*>(context);
    if (!display.live_) return;
    display.converting_ = true;
    const int shown = std::clamp(percent, 0, 100);
    std::fprintf(display.out_, "\r%-16s %s %3d%%  %-28s", fileName ? fileName : "",
                 Bar(shown).c_str(), shown, "converting");
    std::fflush(display.out_);
}

void ProgressDisplay::EndConversion() {
    if (!converting_) return;
    converting_ = false;
    // Wider than any bar line: what follows starts on a clean line.
    std::fprintf(out_, "\r%100s\r", "");
    std::fflush(out_);
}

void ProgressDisplay::Finish(bool succeeded) {
    if (!open_) return;
    open_ = false;
    const std::string spent = MinutesSeconds(Seconds(start_));
    if (live_) {
        DrawBar(succeeded ? "done in " + spent : spent + " elapsed, failed");
        std::fputc('\n', out_);
    } else if (succeeded) {
        std::fprintf(out_, "%s: 100%% in %s\n", current_.c_str(), spent.c_str());
    } else {
        std::fprintf(out_, "%s: %d%% after %s, failed\n", current_.c_str(), shown_, spent.c_str());
    }
    std::fflush(out_);
}

}  // namespace kvd::cli
