// The object behind each of the program's dialogs: the dialog's procedure finds it through
// the window (DWLP_USER), registers the window's role, and hands it every message.
#pragma once

#include <windows.h>

#include "win32/message_loop.h"

namespace kvd::win32 {

class DialogWindow {
  public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    HWND Window() const { return window_; }

  protected:
    explicit DialogWindow(WindowRole role) : role_(role) {}
    virtual ~DialogWindow() = default;

    // The procedure to make the dialog with; the creation parameter is Parameter().
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LPARAM Parameter() { return reinterpret_cast<LPARAM>(this); }

    // WM_INITDIALOG, once Window() is set.
    virtual void OnInit() = 0;
    // Every later message; FALSE leaves it to the system.
    virtual INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND window_ = nullptr;

  private:
    WindowRole role_;
};

}  // namespace kvd::win32
