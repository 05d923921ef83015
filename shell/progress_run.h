// The progress dialog's decisions: one device operation on a worker thread, the reports it
// sends shown as they come (only the latest waits when they come faster than the screen
// draws), the user's cancel, and the end once the operation has returned.
//
//   ProgressRun run(ProgressStyle::Percent(), cancel);
//   view.Open(run);                 // the front end shows its dialog, then calls:
//   run.Start(view, operation);     //   on the UI thread, once the dialog is up
//   ...                             //   view.WakeUi() -> run.OnWake() on the UI thread
//   run.Join();                     // after the dialog has closed
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/cancel_request.h"

namespace kvd {

struct ProgressStyle {
    bool percent = true;      // a bar with timing text and caption; else an endless bar
    bool cancellable = true;  // Cancel, Escape and the close box ask the operation to stop
    std::string message;      // the endless bar's text, UTF-8

    static ProgressStyle Percent();
    // An endless bar with `message`; `cancellable` also shows the Cancel button.
    static ProgressStyle Endless(std::string message, bool cancellable);
};

// What a front end's progress dialog does for the run. Texts are UTF-8.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    // Any thread: have the UI thread call ProgressRun::OnWake() soon. Called once per report
    // taken and once at the end, never while a call is pending.
    virtual void WakeUi() = 0;
    // Percent style: the bar's position, the message line and the caption.
    virtual void ShowReport(int32_t percent, const std::string& message,
                            const std::string& caption) = 0;
    virtual void ShowMessage(const std::string& message) = 0;
    virtual void FillBar() = 0;
    // The operation has returned: end the dialog's modal loop.
    virtual void Close() = 0;
};

class ProgressRun {
  public:
    using Operation = std::function<void()>;
    static constexpr int32_t kRange = 100;

    ProgressRun(ProgressStyle style, CancelRequest& cancel);
    // Waits for the worker.
    ~ProgressRun();
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    const ProgressStyle& Style() const { return style_; }
    // The dialog's texts before the first report.
    static std::string StartingText();
    static std::string CancelText();

    // UI thread, once: runs `operation` on the worker thread.
    void Start(ProgressView& view, Operation operation);
    // UI thread: shows the latest report; closes the dialog once the operation has returned.
    void OnWake();
    // UI thread: Cancel, Escape, the close box. Ignored when the run cannot be cancelled.
    void OnCancel();
    // Any thread: the operation works on item `index` (from 1) of `count`; the caption then
    // says so ("2 / 5") when there is more than one.
    void SetItem(int index, int count);

    // After the dialog has closed: what the operation wrote is then visible to the caller.
    void Join();
    bool Finished() const;

    // The device link's progress reporter; context is the run. Called on the worker.
    static void Report(void* context, int32_t percent, const char* fileName, double elapsedSeconds,
                       double estimatedTotalSeconds, int32_t mode);

  private:
    struct Report_ {
        int32_t percent = 0;
        std::string fileName;  // in the system's code page
        double elapsedSeconds = 0;
        double estimatedTotalSeconds = 0;
        int32_t mode = 0;
    };
    void Post(std::optional<Report_> report, bool finished);

    ProgressStyle style_;
    CancelRequest& cancel_;
    ProgressView* view_ = nullptr;
    std::thread worker_;
    mutable std::mutex lock_;
    std::optional<Report_> latest_;  // guarded by lock_
    bool finished_ = false;          // guarded by lock_
    bool wakePending_ = false;       // guarded by lock_
    int itemIndex_ = 0;              // guarded by lock_
    int itemCount_ = 0;              // guarded by lock_
    bool cancelledByUser_ = false;   // UI thread only
};

}  // namespace kvd
