#include "gpslog/icon_reachability.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kvd {

bool OfflineByEnvironment() {
    const char* value = std::getenv("KVD2730_OFFLINE");
    return value != nullptr && value[0] != '\0' && std::string_view(value) != "0";
}

std::unique_ptr<IconReachability> ChooseIconReachability(bool offline) {
    if (offline || OfflineByEnvironment()) return std::make_unique<OfflineIconReachability>();
    return std::make_unique<NetworkIconReachability>();
}

bool CachedIconReachability::CanConnect(std::string_view host) {
    if (auto found = answers_.find(host); found != answers_.end()) {
        return found->second;
    }
    const bool answer = inner_.CanConnect(host);
    answers_.emplace(std::string(host), answer);
    return answer;
}

bool NetworkIconReachability::CanConnect(std::string_view host) {
    // Name lookup cannot be bounded portably, so the check runs on its own thread and we stop
    // waiting at the limit; a late thread finishes alone and only touches the shared state.
    struct Outcome {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool reachable = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const auto deadline = std::chrono::steady_clock::now() + limit_;
    std::thread([outcome, name = std::string(host), port = port_, deadline] {
        const bool reachable = ConnectBefore(name, port, deadline);
        std::lock_guard lock(outcome->mutex);
        outcome->finished = true;
        outcome->reachable = reachable;
        outcome->done.notify_one();
    }).detach();
    std::unique_lock lock(outcome->mutex);
    outcome->done.wait_until(lock, deadline, [&] { return outcome->finished; });
    return outcome->finished && outcome->reachable;
}

}  // namespace kvd
