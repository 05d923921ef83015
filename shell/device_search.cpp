#include "shell/device_search.h"

#include <memory>

#include "devicelink/devicelink.h"

namespace kvd {

DeviceSearch::DeviceSearch(Finder finder, std::chrono::milliseconds interval)
    : m_interval(interval) {
    m_pfnFind = finder ? std::move(finder)
                       : Finder([this, discovery = std::make_shared<RecoverOncePerPlugIn>()] {
                             return discovery->FindDevicePort(&m_stopProbe);
                         });
}

DeviceSearch::~DeviceSearch() { Stop(); }

uint64_t DeviceSearch::Start(FoundHook onFound) {
    if (m_bSearching.load()) return 0;
    if (m_hThread.joinable()) m_hThread.join();  // a finished search: its thread is ending
    const uint64_t generation = m_generation.fetch_add(1) + 1;
    m_bSearching = true;
    m_hThread = std::jthread([this, generation, onFound = std::move(onFound)](
                                 std::stop_token stop) { Run(stop, generation, onFound); });
    return generation;
}

void DeviceSearch::Stop() {
    if (!m_hThread.joinable()) return;
    m_hThread.request_stop();
    m_stopProbe.Request();
    m_wake.notify_all();
    m_hThread.join();
    m_stopProbe.Clear();
    m_bSearching = false;
}

void DeviceSearch::Run(std::stop_token stop, uint64_t generation, FoundHook onFound) {
    while (!stop.stop_requested()) {
        if (m_pfnFind() > 0) {
            if (!stop.stop_requested() && onFound) onFound(generation);
            break;
        }
        std::unique_lock lock(m_waitMutex);
        m_wake.wait_for(lock, stop, m_interval, [] { return false; });
    }
    m_bSearching = false;
}

}  // namespace kvd
