#include <windows.h>

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

// The running copy's window is found by its class on Windows; nothing to listen for here.
void InstanceLock::ListenForSecondStart(std::function<void()>) {}

void InstanceLock::NotifyRunningCopy() {}

}  // namespace kvd
