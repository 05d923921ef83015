#include "shell/progress_run.h"

#include <cstdio>
#include <vector>

#include "common/code_page.h"
#include "devicelink/devicelink.h"
#include "shell/desktop_texts.h"

namespace kvd {
namespace {

// A file name from the device link, in the system's code page, as UTF-8.
std::string FileNameText(const std::string& fileName) {
    return CodePageToUtf8(fileName).value_or(std::string());
}

std::string Format(std::string_view format, std::string_view please, int32_t percent, double spent,
                   double left) {
    const std::string pattern(format);
    const std::string word(please);
    const int length =
        std::snprintf(nullptr, 0, pattern.c_str(), word.c_str(), percent, spent, left);
    if (length < 0) return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::snprintf(text.data(), text.size(), pattern.c_str(), word.c_str(), percent, spent, left);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

}  // namespace

ProgressStyle ProgressStyle::Percent() { return {}; }

ProgressStyle ProgressStyle::Endless(std::string message, bool cancellable) {
    return {false, cancellable, std::move(message)};
}

ProgressRun::ProgressRun(ProgressStyle style, CancelRequest& cancel)
    : style_(std::move(style)), cancel_(cancel) {}

ProgressRun::~ProgressRun() { Join(); }

std::string ProgressRun::StartingText() { return std::string(Say(kTextStarting)); }

std::string ProgressRun::CancelText() { return std::string(Say(kTextCancel)); }

void ProgressRun::Start(ProgressView& view, Operation operation) {
    view_ = &view;
    worker_ = std::thread([this, operation = std::move(operation)] {
        if (operation) operation();
        Post(std::nullopt, true);
    });
}

void ProgressRun::Join() {
    if (worker_.joinable()) worker_.join();
}

bool ProgressRun::Finished() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return finished_;
}

void ProgressRun::Post(std::optional<Report_> report, bool finished) {
    bool wake = false;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        if (report) latest_ = std::move(report);
        if (finished) finished_ = true;
        wake = !wakePending_;
        wakePending_ = true;
    }
    // One wake-up per report taken: the rest only replace the waiting report.
    if (wake) view_->WakeUi();
}

void ProgressRun::Report(void* context, int32_t percent, const char* fileName,
                         double elapsedSeconds, double estimatedTotalSeconds, int32_t mode) {
    auto* run = static_cast<ProgressRun*>(context);
    // The padded last block reports more than 100; the full bar comes at the end. The
    // endless bar has no position to show.
    if (run == nullptr || run->view_ == nullptr || percent < 0 || percent > kRange ||
        !run->style_.percent)
        return;
    run->Post(Report_{percent, fileName != nullptr ? fileName : "", elapsedSeconds,
                      estimatedTotalSeconds, mode},
              false);
}

void ProgressRun::SetItem(int index, int count) {
    const std::lock_guard<std::mutex> guard(lock_);
    itemIndex_ = index;
    itemCount_ = count;
}

void ProgressRun::OnWake() {
    std::optional<Report_> report;
    bool finished = false;
    int index = 0;
    int count = 0;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        report.swap(latest_);
        finished = finished_;
        wakePending_ = false;
        index = itemIndex_;
        count = itemCount_;
    }
    if (report) {
        const std::string message =
            Format(MessageText(MsgProgressTime), MessageText(MsgPleaseWait), report->percent,
                   report->elapsedSeconds, report->estimatedTotalSeconds - report->elapsedSeconds);
        const MessageEntry action = report->mode == SendFile ? MsgUpdating : MsgGetting;
        std::string caption = FileNameText(report->fileName) + " " +
                              std::string(MessageText(action)) + " " +
                              std::to_string(report->percent) + " %";
        if (count > 1)
            caption += " (" + std::to_string(index) + " / " + std::to_string(count) + ")";
        view_->ShowReport(report->percent, message, caption);
    }
    if (!finished) return;
    // A completed operation ends with a full bar; after a cancel the bar stays short.
    if (style_.percent && !cancelledByUser_ && !cancel_.IsRequested()) view_->FillBar();
    view_->Close();
}

void ProgressRun::OnCancel() {
    // A run that cannot be interrupted says so in its message and means it.
    if (!style_.cancellable) return;
    cancelledByUser_ = true;
    view_->ShowMessage(std::string(MessageText(MsgAborting)));
    cancel_.Request();
}

}  // namespace kvd
