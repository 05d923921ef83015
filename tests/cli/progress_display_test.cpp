#include "cli/progress_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <regex>

namespace kvd::cli {
namespace {

using Clock = ProgressDisplay::Clock;

// A display writing into memory, on a clock the test moves.
class Recorded {
  public:
    explicit Recorded(bool live)
        : out_(open_memstream(&buffer_, &size_)),
          display_(std::in_place, out_, live, [this] { return Clock::time_point() + now_; }) {}
    ~Recorded() {
        display_.reset();  // it may still end a line
        std::fclose(out_);
        std::free(buffer_);
    }
    void At(double seconds, int percent, const char* name = "0601.LOG") {
        now_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        ProgressDisplay::Report(&*display_, percent, name, 0.0, 0.0, 1);
    }
    ProgressDisplay& Display() { return *display_; }
    void Finish(double seconds, bool succeeded) {
        now_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        display_->Finish(succeeded);
    }
    std::string Text() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* out_;
    Clock::duration now_{};
    std::optional<ProgressDisplay> display_;
};

TEST(ProgressDisplay, OneLinePerFileSaysHowItEnded) {
    Recorded shown(false);
    shown.At(0.2, 40);
    shown.At(2.1, 136);  // the last block counts whole
    shown.Finish(2.2, true);
    shown.At(3.0, 50, "0602.LOG");
    shown.At(4.0, 100, "0602.LOG");
    shown.Finish(9.0, false);  // the end-of-file handshake failed after the last block
    EXPECT_EQ(shown.Text(), "0601.LOG: 100% in 0:02\n0602.LOG: 100% after 0:06, failed\n");
}

TEST(ProgressDisplay, LiveBarEndsWithFailedNotDone) {
    Recorded shown(true);
    shown.At(0.5, 60);
    shown.At(1.0, 100);
    shown.Finish(31.0, false);
    const std::string text = shown.Text();
    const std::string last = text.substr(text.rfind('\r'));
    EXPECT_NE(last.find("100%  0:31 elapsed, failed"), std::string::npos) << last;
    EXPECT_EQ(text.find("done"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

// A conversion shows a bar on a terminal and wipes it when it ends, so the saved file's name
// starts a clean line; a log file gets no conversion lines at all.
TEST(ProgressDisplay, ConversionBarOnlyOnATerminalAndWipedAtTheEnd) {
    Recorded live(true);
    ProgressDisplay::ReportConversion(&live.Display(), 40, "0601.LOG");
    ProgressDisplay::ReportConversion(&live.Display(), 100, "0601.LOG");
    live.Display().EndConversion();
    const std::string text = live.Text();
    EXPECT_NE(text.find("0601.LOG         [############..................]  40%  converting"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("100%  converting"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\r');
    EXPECT_EQ(text.substr(text.rfind("converting")).find_first_not_of(" \r", 10),
              std::string::npos);

    Recorded logged(false);
    ProgressDisplay::ReportConversion(&logged.Display(), 40, "0601.LOG");
    logged.Display().EndConversion();
    EXPECT_EQ(logged.Text(), "");
}

// The "M:SS left" figures of a live bar, in order.
std::vector<double> Estimates(const std::string& text) {
    std::vector<double> left;
    const std::regex pattern(R"((\d+):(\d\d) left)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        left.push_back(std::stoi((*it)[1]) * 60 + std::stoi((*it)[2]));
    }
    return left;
}

TEST(ProgressDisplay, EstimateWaitsASecondThenFollowsTheRateSmoothly) {
    // 2 % a second, each new percentage reported a little early or late; then the line
    // stalls for 10 s and resumes.
    Recorded shown(true);
    double first = 0;
    double previousTime = 0;
    std::optional<double> previous;
    const double jitter[] = {0.1, -0.15, 0.05, 0.15, -0.1, 0.0, 0.12, -0.05, 0.08, -0.12};
    for (int percent = 1; percent <= 20; ++percent) {
        const double t = percent / 2.0 + jitter[percent % 10];
        shown.At(t, percent);
        if (percent == 1) first = t;
        const std::vector<double> left = Estimates(shown.Text());
        if (t - first < 1.0) {
            EXPECT_TRUE(left.empty()) << "an estimate at " << t << " s";
            continue;
        }
        ASSERT_FALSE(left.empty()) << "no estimate at " << t << " s";
        // Rough while the rate is young, close once a few seconds have passed.
        const double truth = (100 - percent) / 2.0;
        EXPECT_NEAR(left.back(), truth, (t - first < 5 ? 0.35 : 0.15) * truth) << "at " << t;
        // Between two reports it counts down with the time that passed, give or take.
        if (previous) {
            EXPECT_NEAR(left.back(), *previous - (t - previousTime), 3) << "at " << t;
        }
        previous = left.back();
        previousTime = t;
    }
    const double beforeStall = Estimates(shown.Text()).back();
    shown.At(20.5, 21);
    const double afterStall = Estimates(shown.Text()).back();
    // The stall lengthens the estimate, but by far less than the raw rate would (about 95 s).
    EXPECT_GT(afterStall, beforeStall - 1);
    EXPECT_LT(afterStall, beforeStall + 20);
}

}  // namespace
}  // namespace kvd::cli
