#include "win32/ui_queue.h"

#include "win32/message_loop.h"

namespace kvd::win32 {

void UiQueue::SetWindow(HWND window) {
    const std::lock_guard<std::mutex> guard(lock_);
    window_ = window;
    if (window == nullptr) tasks_.clear();
}

void UiQueue::Post(std::function<void()> task) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (window_ == nullptr) return;
    const bool wake = tasks_.empty();
    tasks_.push_back(std::move(task));
    if (wake) PostMessageW(window_, kRunPostedMessage, 0, 0);
}

void UiQueue::RunPosted() {
    std::vector<std::function<void()>> tasks;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
}

}  // namespace kvd::win32
