#include "win32/start_dialog.h"

#include "shell/window_layout.h"
#include "win32/custom_button.h"
#include "win32/dialog_templates.h"
#include "win32/message_loop.h"
#include "win32/resource_ids.h"
#include "win32/screen_scale.h"
#include "win32/wide_text.h"
#include "win32/window_paint.h"

namespace kvd::win32 {
namespace {

std::wstring Catalogue(MessageEntry entry) { return Wide(MessageText(entry)); }

}  // namespace

StartDialog::StartDialog(TransferWindowMode buttonMode)
    : DialogWindow(WindowRole::Start), presenter_(*this, buttonMode) {}

StartDialog::~StartDialog() {
    transfer_.reset();
    queue_.SetWindow(nullptr);
    if (window_ != nullptr) DestroyWindow(window_);
    if (banner_ != nullptr) DeleteObject(banner_);
}

const char* StartDialog::StateName(StartState state) {
    switch (state) {
        case StartState::Searching:
            return "Searching";
        case StartState::Identifying:
            return "Identifying";
        case StartState::Ready:
            return "Ready";
        case StartState::Ended:
            return "Ended";
    }
    return "";
}

bool StartDialog::Open() {
    if (CreateDialogInLanguage(IDD_START, nullptr, &DialogWindow::Procedure, Parameter()) ==
        nullptr)
        return false;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    presenter_.OnShown();
    return true;
}

void StartDialog::OnInit() {
    queue_.SetWindow(window_);
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    for (int id : {IDC_MODE_BUTTON, IDC_UPDATE_BUTTON, IDCANCEL})
        AttachCustomButton(GetDlgItem(window_, id));
    // The one mode button opens what the presenter was made for, with that mode's text.
    const MessageEntry modeText = presenter_.ButtonMode() == ModeUpdate ? MsgUpdate : MsgGpsLogData;
    SetButtonTexts(GetDlgItem(window_, IDC_MODE_BUTTON), Catalogue(modeText),
                   Catalogue(MsgConnecting));
    SetButtonTexts(GetDlgItem(window_, IDC_UPDATE_BUTTON), Catalogue(MsgUpdate),
                   Catalogue(MsgConnecting));
    SetButtonTexts(GetDlgItem(window_, IDCANCEL), Catalogue(MsgEnd), Catalogue(MsgEnd));
    banner_ = LoadBanner();
    dpi_ = WindowDpi(window_);
    LayOut(dpi_);
    CentreOn(window_, nullptr);
}

void StartDialog::LayOut(UINT dpi) {
    SizeClientArea(window_, layout::start::kClient, dpi);
    PlaceControl(window_, IDC_MODE_BUTTON, layout::start::kModeButton, dpi);
    PlaceControl(window_, IDCANCEL, layout::start::kEndButton, dpi);
    PlaceControl(window_, IDC_STATUS, layout::start::kStatus, dpi);
    // The update button never shows; the update mode opens from the mode button.
    SetWindowPos(GetDlgItem(window_, IDC_UPDATE_BUTTON), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

INT_PTR StartDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    if (HandlePaintMessage(window_, message, wParam, lParam, banner_, dpi_, result)) return result;
    switch (message) {
        case kRunPostedMessage:
            queue_.RunPosted();
            return TRUE;
        case kTransferEndedMessage:
            OnTransferWindowEnded();
            return TRUE;
        case WM_TIMER:
            if (wParam == static_cast<WPARAM>(StartDialogTimer::Identify) ||
                wParam == static_cast<WPARAM>(StartDialogTimer::Check))
                presenter_.OnTimer(static_cast<StartDialogTimer>(wParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_MODE_BUTTON) presenter_.OnModeButton();
            // End, Escape and the close box; Enter (IDOK) does nothing.
            if (LOWORD(wParam) == IDCANCEL) presenter_.OnEndCommand();
            return TRUE;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(dpi_);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void StartDialog::OnTransferWindowEnded() {
    if (!transfer_) return;
    transfer_.reset();
    SetForegroundWindow(window_);
    presenter_.OnTransferWindowClosed();
}

void StartDialog::StartTimer(StartDialogTimer timer, int intervalMs) {
    SetTimer(window_, static_cast<UINT_PTR>(timer), static_cast<UINT>(intervalMs), nullptr);
}

void StartDialog::StopTimer(StartDialogTimer timer) {
    KillTimer(window_, static_cast<UINT_PTR>(timer));
}

void StartDialog::PostToUi(std::function<void()> task) { queue_.Post(std::move(task)); }

void StartDialog::ShowDeviceReady(bool ready) {
    EnableWindow(GetDlgItem(window_, IDC_MODE_BUTTON), ready ? TRUE : FALSE);
    EnableWindow(GetDlgItem(window_, IDC_UPDATE_BUTTON), FALSE);
}

void StartDialog::ClearStatus() {
    SetDlgItemTextW(window_, IDC_STATUS, L"");
    InvalidateRect(window_, nullptr, TRUE);
}

void StartDialog::OpenTransferWindow(TransferWindowMode mode) {
    transfer_ = std::make_unique<TransferWindow>(window_, mode, &presenter_);
    presenter_.OnTransferWindowOpened(transfer_->Presenter());
    if (!transfer_->Open()) {
        transfer_.reset();
        presenter_.OnTransferWindowClosed();
    }
}

void StartDialog::CloseTransferWindow() {
    if (transfer_) transfer_->RequestEnd();
}

void StartDialog::EndDialog() {
    ended_ = true;
    // Wakes the loop that runs the dialog, so that it sees the end.
    PostMessageW(window_, WM_NULL, 0, 0);
}

}  // namespace kvd::win32
