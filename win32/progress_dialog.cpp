#include "win32/progress_dialog.h"

#include <commctrl.h>

#include "shell/window_layout.h"
#include "win32/dialog_templates.h"
#include "win32/message_loop.h"
#include "win32/resource_ids.h"
#include "win32/screen_scale.h"
#include "win32/wide_text.h"

namespace kvd::win32 {

ProgressDialog::ProgressDialog(HWND owner, ProgressRun& run, std::function<void()> operation)
    : DialogWindow(WindowRole::Progress),
      owner_(owner),
      run_(run),
      operation_(std::move(operation)) {}

void ProgressDialog::Run(HWND owner, ProgressRun& run, std::function<void()> operation) {
    ProgressDialog dialog(owner, run, std::move(operation));
    const INT_PTR result =
        RunDialogInLanguage(IDD_PROGRESS, owner, &DialogWindow::Procedure, dialog.Parameter());
    if (result == -1 && dialog.Window() == nullptr && dialog.operation_) {
        // No dialog could be made: the operation still runs, without one to show it.
        dialog.operation_();
    }
    run.Join();
}

void ProgressDialog::OnInit() {
    const UINT dpi = WindowDpi(window_);
    if (run_.Style().percent)
        LayOutPercentStyle(dpi);
    else
        LayOutMarqueeStyle(dpi);
    // The worker only posts; the dialog takes its news from its own loop.
    run_.Start(*this, std::move(operation_));
    operation_ = nullptr;
}

void ProgressDialog::LayOutPercentStyle(UINT dpi) {
    namespace design = layout::progress;
    SizeClientArea(window_, design::kPercentClient, dpi);
    PlaceControl(window_, IDC_PROGRESS_MESSAGE, design::kPercentMessage, dpi);
    PlaceControl(window_, IDC_PROGRESS_BAR, design::kPercentBar, dpi);
    PlaceControl(window_, IDCANCEL, design::kPercentCancel, dpi);
    CentreOn(window_, owner_);
    HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
    SendMessageW(bar, PBM_SETRANGE32, 0, ProgressRun::kRange);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void ProgressDialog::LayOutMarqueeStyle(UINT dpi) {
    namespace design = layout::progress;
    // No caption, so no close box: only Escape (and Cancel, when shown) reach the cancel.
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    SetWindowLongPtrW(window_, GWL_STYLE, (style & ~WS_CAPTION) | WS_THICKFRAME);
    SetWindowPos(window_, nullptr, 0, 0, Scaled(design::kMarqueeWindow.width, dpi),
                 Scaled(design::kMarqueeWindow.height, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CentreOn(window_, owner_);
    PlaceControl(window_, IDC_PROGRESS_MESSAGE, design::kMarqueeMessage, dpi);
    PlaceControl(window_, IDC_PROGRESS_BAR, design::kMarqueeBar, dpi);
    PlaceControl(window_, IDCANCEL, design::kMarqueeCancel, dpi);
    HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | PBS_MARQUEE);
    SendMessageW(bar, PBM_SETMARQUEE, TRUE, 20);
    SetDlgItemTextW(window_, IDC_PROGRESS_MESSAGE, Wide(run_.Style().message).c_str());
    ShowWindow(GetDlgItem(window_, IDCANCEL), run_.Style().cancellable ? SW_SHOW : SW_HIDE);
}

INT_PTR ProgressDialog::Handle(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case kProgressWakeMessage:
            run_.OnWake();
            return TRUE;
        case WM_COMMAND:
            // Enter does nothing; Cancel, Escape and the close box ask the run to stop.
            if (LOWORD(wParam) == IDCANCEL) run_.OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}

void ProgressDialog::WakeUi() { PostMessageW(window_, kProgressWakeMessage, 0, 0); }

void ProgressDialog::ShowReport(int32_t percent, const std::string& message,
                                const std::string& caption) {
    SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    SetDlgItemTextW(window_, IDC_PROGRESS_MESSAGE, Wide(message).c_str());
    SetWindowTextW(window_, Wide(caption).c_str());
}

void ProgressDialog::ShowMessage(const std::string& message) {
    SetDlgItemTextW(window_, IDC_PROGRESS_MESSAGE, Wide(message).c_str());
}

void ProgressDialog::FillBar() {
    SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, ProgressRun::kRange, 0);
}

void ProgressDialog::Close() { EndDialog(window_, IDCANCEL); }

}  // namespace kvd::win32
