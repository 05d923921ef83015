#include "devicelink/port_discovery.h"

#include <cctype>
#include <limits>
#include <mutex>

namespace kvd {
namespace {

constexpr int32_t kProbeTimeoutMs = 100;
constexpr int32_t kHighestPortNumber = 0xFFFF;

std::mutex g_portNameMutex;
std::string g_portName;

}  // namespace

void SetDevicePort(int32_t number, const std::string& path) {
    {
        std::lock_guard lock(g_portNameMutex);
        g_portName = path;
    }
    g_devicePort = number;
}

std::string DevicePortName() {
    std::lock_guard lock(g_portNameMutex);
    return g_portName;
}

std::optional<int32_t> ComPortNumberFromFriendlyName(std::string_view friendlyName) {
    const std::size_t com = friendlyName.find("COM");
    if (com == std::string_view::npos) return std::nullopt;
    int64_t value = 0;
    std::size_t digits = 0;
    for (std::size_t i = com + 3; i < friendlyName.size() &&
                                  std::isdigit(static_cast<unsigned char>(friendlyName[i]));
         ++i, ++digits) {
        value = std::min<int64_t>(value * 10 + (friendlyName[i] - '0'),
                                  std::numeric_limits<int32_t>::max());
    }
    if (digits == 0 || value > kHighestPortNumber) return std::nullopt;
    return static_cast<int32_t>(value);
}

ProbeResult ProbePortPath(const std::string& path) {
    DeviceCall call;
    call.timeoutMs = kProbeTimeoutMs;
    if (RunDeviceCommand(path, "Echo KVD-2730\n", call) == 0) {
        const PortOpenError error = LastPortOpenError();
        if (error != PortOpenError::None) return {ProbeOutcome::CannotOpen, error};
        return {ProbeOutcome::NotTheDevice, PortOpenError::None};
    }
    if (RunDeviceCommand(path, "SetMode 1\n", call) == 0) return {ProbeOutcome::NotTheDevice};
    return {ProbeOutcome::Device};
}

namespace {

ProbeResult Probe(const PortCandidate& candidate) {
    const ProbeResult result = ProbePortPath(candidate.path);
    if (result.outcome == ProbeOutcome::Device) {
        g_abortRequest = 0;
        SetDevicePort(candidate.number, candidate.path);
    }
    return result;
}

}  // namespace

int32_t ProbePort(const PortCandidate& candidate) {
    return Probe(candidate).outcome == ProbeOutcome::Device ? 1 : 0;
}

int32_t FindDevicePort(std::vector<ProbedPort>* probed) {
    for (const PortCandidate& candidate : ListPortCandidates()) {
        const ProbeResult result = Probe(candidate);
        if (probed) probed->push_back({candidate, result});
        if (result.outcome == ProbeOutcome::Device) return 1;
    }
    return 0;
}

}  // namespace kvd
