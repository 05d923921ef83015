// The progress dialog: the Windows view of a ProgressRun. It shows the run's reports, turns
// Cancel, Escape and the close box into the run's cancel, and ends when the operation has
// returned; the run's worker only ever posts to it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "shell/progress_run.h"
#include "win32/dialog_window.h"

namespace kvd::win32 {

class ProgressDialog final : public DialogWindow, public ProgressView {
  public:
    // Shows the dialog modally over `owner`, runs `operation` on the run's worker once it is
    // up, and returns when the dialog has closed and the worker has ended.
    static void Run(HWND owner, ProgressRun& run, std::function<void()> operation);

  private:
    ProgressDialog(HWND owner, ProgressRun& run, std::function<void()> operation);
    void OnInit() override;
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayOutPercentStyle(UINT dpi);
    void LayOutMarqueeStyle(UINT dpi);

    // ProgressView
    void WakeUi() override;
    void ShowReport(int32_t percent, const std::string& message,
                    const std::string& caption) override;
    void ShowMessage(const std::string& message) override;
    void FillBar() override;
    void Close() override;

    HWND owner_;
    ProgressRun& run_;
    std::function<void()> operation_;
};

}  // namespace kvd::win32
