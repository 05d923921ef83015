#include "win32/dialog_window.h"

namespace kvd::win32 {

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<DialogWindow*>(lParam);
        dialog->window_ = window;
        RegisterWindow(window, dialog->role_);
        dialog->OnInit();
        return TRUE;
    }
    auto* dialog = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_DESTROY) UnregisterWindow(window);
    return dialog != nullptr ? dialog->Handle(message, wParam, lParam) : FALSE;
}

}  // namespace kvd::win32
