// The program's windows and the loop that runs their messages. The start dialog and the
// transfer window are modeless dialogs under one loop, so that the dialog goes on checking
// the device while the window is open; the loop gives each its keyboard handling (Tab,
// Escape, Space on the list) through IsDialogMessage.
#pragma once

#include <windows.h>

#include <functional>

namespace kvd::win32 {

// Private messages of the program's windows.
enum : UINT {
    kRunPostedMessage = WM_APP + 1,  // a UiQueue has tasks
    kProgressWakeMessage,            // the progress run has news
    kTransferOpenedMessage,          // the transfer window is on screen
    kTransferEndedMessage,           // the transfer window has ended
    kTrayIconMessage = WM_USER + 100,
};

// What each of our windows is, for the keyboard handling and for the test hook's report.
enum class WindowRole { Tray, Start, Transfer, Progress };

void RegisterWindow(HWND window, WindowRole role);
void UnregisterWindow(HWND window);
// False when the window is not one of ours.
bool RoleOf(HWND window, WindowRole& role);

// Runs the thread's messages until `done()` is true, or WM_QUIT arrives (it is posted again,
// for the loops outside this one). Returns false on WM_QUIT.
bool RunMessagesUntil(const std::function<bool()>& done);

}  // namespace kvd::win32
