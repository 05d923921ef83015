// A caller's request that the work it started stop: a device call, a batch of calls, a
// conversion. The caller owns it and hands its address to the work; any thread, and a signal
// handler, may set it. Work that sees it set stops at its next check and reports "cancelled".
#pragma once

#include <atomic>

namespace kvd {

class CancelRequest {
  public:
    CancelRequest() = default;
    CancelRequest(const CancelRequest&) = delete;
    CancelRequest& operator=(const CancelRequest&) = delete;

    // Lock-free, so that a signal handler may call it.
    void Request() noexcept { requested_.store(true, std::memory_order_release); }
    // Before new work starts with the same request.
    void Clear() noexcept { requested_.store(false, std::memory_order_release); }
    bool IsRequested() const noexcept { return requested_.load(std::memory_order_acquire); }

  private:
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::atomic<bool> requested_{false};
};

// Whether work handed `cancel` (null: nobody can cancel it) should stop.
inline bool IsCancelled(const CancelRequest* cancel) {
    return cancel != nullptr && cancel->IsRequested();
}

}  // namespace kvd
