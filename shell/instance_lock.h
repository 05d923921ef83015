// One running copy of the desktop program per user. The first copy holds the lock for its
// whole life and listens for a second start, which asks it to bring its window to the front
// and then ends. Linux: a lock on a file named "KVD2730" in the user's runtime folder (the
// system drops it with the process, so a crashed copy never blocks the next) and a socket
// beside it; Windows: the named mutex "KVD2730" of the logon session.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

namespace kvd {

class InstanceLock {
  public:
    static constexpr const char* kName = "KVD2730";
    // Windows: the registered message that a second start posts to the running copy's
    // hidden window (class "Configure").
    static constexpr const wchar_t* kSecondStartMessage = L"KVD2730.SecondStart";

    // `folder`: where the lock lives; empty for the platform's place.
    explicit InstanceLock(std::filesystem::path folder = {});
    ~InstanceLock();  // releases the lock and stops listening
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only when another live copy holds the lock. When the lock cannot be taken for
    // another reason (no runtime folder, no space), this copy runs without one.
    bool Acquire();
    // A copy that holds the lock: `onSecondStart` runs on a thread of the lock's own each
    // time another copy starts.
    void ListenForSecondStart(std::function<void()> onSecondStart);
    // A copy that did not get the lock: asks the running one to come to the front.
    void NotifyRunningCopy();

    std::filesystem::path LockPath() const;

  private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace kvd
