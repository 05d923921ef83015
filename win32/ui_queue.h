// Runs tasks that other threads hand over on the UI thread of one window: the tasks wait
// under a lock and one posted message wakes the window, which calls RunPosted().
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

namespace kvd::win32 {

class UiQueue {
  public:
    // UI thread: the window that runs the tasks; null drops them.
    void SetWindow(HWND window);
    // Any thread. Tasks still waiting when the window goes are dropped.
    void Post(std::function<void()> task);
    // UI thread, on kRunPostedMessage.
    void RunPosted();

  private:
    std::mutex lock_;
    HWND window_ = nullptr;                     // guarded by lock_
    std::vector<std::function<void()>> tasks_;  // guarded by lock_
};

}  // namespace kvd::win32
