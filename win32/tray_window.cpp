#include "win32/tray_window.h"

#include <cwchar>

#include "win32/layout_report.h"
#include "win32/message_loop.h"
#include "win32/resource_ids.h"
#include "win32/start_dialog.h"
#include "win32/wide_text.h"

namespace kvd::win32 {
namespace {

const wchar_t kClassName[] = L"Configure";

// Copies `text` into a fixed field of the icon's record, cut to fit.
template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
    wcsncpy(field, text.c_str(), N - 1);
    field[N - 1] = L'\0';
}

}  // namespace

TrayWindow::TrayWindow(InstanceLock& lock, TransferWindowMode mode) : session_(*this, lock, mode) {}

TrayWindow::~TrayWindow() {
    queue_.SetWindow(nullptr);
    if (window_ != nullptr) DestroyWindow(window_);
}

int TrayWindow::Run() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &TrayWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    // Never shown: it only carries the icon and takes the icon's messages.
    window_ = CreateWindowExW(WS_EX_OVERLAPPEDWINDOW, kClassName, kClassName,
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance, this);
    if (window_ == nullptr) return 1;
    RegisterWindow(window_, WindowRole::Tray);
    queue_.SetWindow(window_);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    secondStart_ = RegisterWindowMessageW(InstanceLock::kSecondStartMessage);
    StartLayoutReport(window_);
    return session_.Run();
}

LRESULT CALLBACK TrayWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_DESTROY) UnregisterWindow(window);
    if (self == nullptr || self->window_ != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT TrayWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrayIconMessage) {
        // Only the right button opens the menu; a left click or a double click does nothing.
        if (LOWORD(lParam) == WM_RBUTTONDOWN) ShowIconMenu();
        if (LOWORD(lParam) == NIN_BALLOONUSERCLICK) session_.OnNotificationClicked();
        return 0;
    }
    if (message == kRunPostedMessage) {
        queue_.RunPosted();
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDM_EXIT) {
        session_.ExitCommand();
        return 0;
    }
    if (message == WM_TIMER && wParam == kLayoutReportTimer) {
        WriteLayoutReport(startDialog_ != nullptr ? startDialog_->Presenter().State()
                                                  : StartState::Ended);
        return 0;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        if (iconShown_) AddIcon();
        return 0;
    }
    if (secondStart_ != 0 && message == secondStart_) {
        RaiseWindows();
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // the program ends through its start dialog
    return DefWindowProcW(window_, message, wParam, lParam);
}

bool TrayWindow::AddIcon() {
    icon_ = {};
    icon_.cbSize = sizeof icon_;
    icon_.hWnd = window_;
    icon_.uID = 0;
    icon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon_.uCallbackMessage = kTrayIconMessage;
    icon_.hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    CopyField(icon_.szTip, L"KVD-2730");
    return Shell_NotifyIconW(NIM_ADD, &icon_) != FALSE;
}

void TrayWindow::ShowIconMenu() {
    if (!session_.MayOpenMenu()) return;
    POINT at{};
    GetCursorPos(&at);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_EXIT, exitText_.c_str());
    // The menu closes when the user clicks elsewhere only if its owner is in front.
    SetForegroundWindow(window_);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void TrayWindow::ShowAlreadyRunning(const std::string& systemText, const std::string& line) {
    MessageBoxW(nullptr, Wide(systemText + "\n" + line).c_str(), L"ERROR", MB_OK);
}

void TrayWindow::ShowIcon(const std::string& exitText) {
    exitText_ = Wide(exitText);
    // Without a notification area the program works all the same, without its icon.
    iconShown_ = AddIcon();
}

void TrayWindow::HideIcon() {
    if (iconShown_) Shell_NotifyIconW(NIM_DELETE, &icon_);
    iconShown_ = false;
}

void TrayWindow::RunStartDialog(TransferWindowMode mode) {
    StartDialog dialog(mode);
    startDialog_ = &dialog;
    session_.OnStartDialogOpened(dialog.Presenter());
    if (dialog.Open()) RunMessagesUntil([&dialog] { return dialog.Ended(); });
    session_.OnStartDialogClosed();
    startDialog_ = nullptr;
}

void TrayWindow::PostToUi(std::function<void()> task) { queue_.Post(std::move(task)); }

void TrayWindow::RaiseWindows() {
    if (startDialog_ == nullptr || startDialog_->Window() == nullptr) return;
    // The window on top of the dialog's stack: a box, the progress dialog, the transfer
    // window or the dialog itself.
    HWND top = startDialog_->Window();
    for (HWND popup = GetLastActivePopup(top); popup != top; popup = GetLastActivePopup(top))
        top = popup;
    if (IsIconic(top)) ShowWindow(top, SW_RESTORE);
    SetForegroundWindow(top);
}

void TrayWindow::Quit() { PostQuitMessage(0); }

bool TrayWindow::CanNotify() const { return iconShown_; }

void TrayWindow::ShowNotification(const std::string& title, const std::string& text) {
    if (!iconShown_) return;
    NOTIFYICONDATAW balloon = icon_;
    balloon.uFlags = NIF_INFO;
    CopyField(balloon.szInfoTitle, Wide(title));
    CopyField(balloon.szInfo, Wide(text));
    balloon.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

}  // namespace kvd::win32
