// Whether the servers of the preferred KML style icons can be reached. A map viewer offline
// cannot fetch them either, so each style falls back to an icon of the marker server.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kvd {

class IconReachability {
  public:
    virtual ~IconReachability() = default;
    virtual bool CanConnect(std::string_view host) = 0;
};

// For tests, benchmarks, demos and --offline: never touches the network.
class OfflineIconReachability final : public IconReachability {
  public:
    bool CanConnect(std::string_view) override { return false; }
};

// A TCP connection to host:port, given up once the time limit has passed (name lookup
// included).
class NetworkIconReachability final : public IconReachability {
  public:
    explicit NetworkIconReachability(uint16_t port = 80,
                                     std::chrono::milliseconds limit = std::chrono::seconds(1))
        : port_(port), limit_(limit) {}
    bool CanConnect(std::string_view host) override;

  private:
    uint16_t port_;
    std::chrono::milliseconds limit_;
};

// Asks inner once per host and remembers the answer; one lives for one conversion.
class CachedIconReachability final : public IconReachability {
  public:
    explicit CachedIconReachability(IconReachability& inner) : inner_(inner) {}
    bool CanConnect(std::string_view host) override;

  private:
    IconReachability& inner_;
    std::map<std::string, bool, std::less<>> answers_;
};

// True when KVD2730_OFFLINE is set to anything but "" or "0".
bool OfflineByEnvironment();

// The check every conversion uses: none when offline is asked for or KVD2730_OFFLINE is set
// (tests, benchmarks, demos), else a connection to each icon server.
std::unique_ptr<IconReachability> ChooseIconReachability(bool offline);

// Connects to host:port before the deadline; the platform's half of NetworkIconReachability.
bool ConnectBefore(const std::string& host, uint16_t port,
                   std::chrono::steady_clock::time_point deadline);

}  // namespace kvd
