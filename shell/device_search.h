// Looks for the device on a thread of its own: the port discovery again and again, 100 ms
// apart, until a port answers as the device or the search is stopped. The thread never
// touches a window: it reports through a callback that the owner turns into a queued call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "common/cancel_request.h"

namespace kvd {

class DeviceSearch {
  public:
    // One discovery pass; > 0 when the device was found. By default the port discovery, with
    // one recovery per port between two plug-ins for a port that answers but not as the device.
    using Finder = std::function<int32_t()>;
    // Called on the search thread once the device was found; `generation` tells searches apart.
    using FoundHook = std::function<void(uint64_t generation)>;

    static constexpr std::chrono::milliseconds kPollInterval{100};

    explicit DeviceSearch(Finder finder = {}, std::chrono::milliseconds interval = kPollInterval);
    // Stops a running search and waits for its thread.
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // Starts a search unless one is running; returns its generation, or 0 when one runs.
    uint64_t Start(FoundHook onFound);
    // Asks the thread to stop and waits for it. A discovery pass under way finishes first.
    void Stop();

    // True from Start until the thread has reported or stopped.
    bool IsSearching() const { return m_bSearching.load(); }
    uint64_t Generation() const { return m_generation.load(); }

  private:
    void Run(std::stop_token stop, uint64_t generation, FoundHook onFound);

    Finder m_pfnFind;
    std::chrono::milliseconds m_interval;
    std::atomic<bool> m_bSearching{false};
    std::atomic<uint64_t> m_generation{0};
    std::mutex m_waitMutex;
    std::condition_variable_any m_wake;
    CancelRequest m_stopProbe;  // ends a discovery pass under way when the search stops
    std::jthread m_hThread;
};

}  // namespace kvd
