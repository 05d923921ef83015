#include "win32/message_loop.h"

#include <map>

namespace kvd::win32 {
namespace {

// UI thread only.
std::map<HWND, WindowRole>& Roles() {
    static std::map<HWND, WindowRole> roles;
    return roles;
}

// The dialog that takes the keyboard now: the active window, when it is one of our modeless
// dialogs. Modal dialogs and boxes run their own loops.
bool IsDialogKey(MSG& message) {
    HWND active = GetActiveWindow();
    WindowRole role{};
    if (active == nullptr || !RoleOf(active, role)) return false;
    if (role != WindowRole::Start && role != WindowRole::Transfer) return false;
    return IsDialogMessageW(active, &message) != FALSE;
}

}  // namespace

void RegisterWindow(HWND window, WindowRole role) { Roles()[window] = role; }

void UnregisterWindow(HWND window) { Roles().erase(window); }

bool RoleOf(HWND window, WindowRole& role) {
    const auto found = Roles().find(window);
    if (found == Roles().end()) return false;
    role = found->second;
    return true;
}

bool RunMessagesUntil(const std::function<bool()>& done) {
    MSG message{};
    while (!done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (got == -1) return false;
        if (IsDialogKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace kvd::win32
