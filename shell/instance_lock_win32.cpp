#include <windows.h>

#include <cwchar>

#include "shell/instance_lock.h"

namespace kvd {

struct InstanceLock::Platform {
    HANDLE mutex = nullptr;
};

InstanceLock::InstanceLock(std::filesystem::path) : platform_(std::make_unique<Platform>()) {}

InstanceLock::~InstanceLock() {
    if (platform_->mutex != nullptr) {
        ReleaseMutex(platform_->mutex);
        CloseHandle(platform_->mutex);
    }
}

std::filesystem::path InstanceLock::LockPath() const { return {}; }

bool InstanceLock::Acquire() {
    if (platform_->mutex != nullptr) return true;
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"KVD2730");
    if (mutex == nullptr) return true;  // no mutex: run without one
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    platform_->mutex = mutex;
    return true;
}

// The running copy's hidden window takes the message itself (see NotifyRunningCopy); there is
// nothing to listen for here.
void InstanceLock::ListenForSecondStart(std::function<void()>) {}

void InstanceLock::NotifyRunningCopy() {
    const UINT message = RegisterWindowMessageW(kSecondStartMessage);
    if (message == 0) return;
    // The running copy may then take the foreground, which this copy holds now.
    AllowSetForegroundWindow(ASFW_ANY);
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (std::wcscmp(name, L"Configure") == 0)
                PostMessageW(window, static_cast<UINT>(parameter), 0, 0);
            return TRUE;
        },
        static_cast<LPARAM>(message));
}

}  // namespace kvd
