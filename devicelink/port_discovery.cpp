#include "devicelink/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <mutex>

#include "devicelink/command_table.h"
#include "devicelink/link_recovery.h"

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
    for (std::size_t i = com + 3;
         i < friendlyName.size() && std::isdigit(static_cast<unsigned char>(friendlyName[i]));
         ++i, ++digits) {
        value = std::min<int64_t>(value * 10 + (friendlyName[i] - '0'),
                                  std::numeric_limits<int32_t>::max());
    }
    if (digits == 0 || value > kHighestPortNumber) return std::nullopt;
    return static_cast<int32_t>(value);
}

ProbeResult ProbePortPath(const std::string& path, const CancelRequest* cancel) {
    DeviceCall call;
    call.timeoutMs = kProbeTimeoutMs;
    call.cancel = cancel;
    const CallOutcome identify = RunDeviceCommand(path, command_line::kIdentify, call);
    ProbeResult result;
    result.answered = identify.bytesHeard > 0;
    if (!identify.Succeeded()) {
        if (identify.failure == CallFailure::Open) {
            result.outcome = ProbeOutcome::CannotOpen;
            result.openError = identify.openError;
        }
        return result;
    }
    if (RunDeviceCommand(path, command_line::kSetMode, call).Succeeded())
        result.outcome = ProbeOutcome::Device;
    return result;
}

namespace {

// After an identification that failed on a port that answered.
ProbeResult RecoverAndProbe(const std::string& path, const ProbeResult& failed,
                            const CancelRequest* cancel) {
    if (!RecoverDeviceLink(path, kRecoveryQuietMs, cancel)) return failed;
    ProbeResult again = ProbePortPath(path, cancel);
    again.answered = true;
    again.recovered = true;
    return again;
}

bool WorthRecovering(const ProbeResult& result) {
    return result.outcome == ProbeOutcome::NotTheDevice && result.answered;
}

}  // namespace

ProbeResult ProbeRecovering(const std::string& path, const CancelRequest* cancel) {
    const ProbeResult first = ProbePortPath(path, cancel);
    return WorthRecovering(first) ? RecoverAndProbe(path, first, cancel) : first;
}

int32_t FindDevicePort(std::vector<ProbedPort>* probed, const CancelRequest* cancel,
                       const RecoveryPolicy& mayRecover) {
    std::vector<ProbedPort> results;
    const ProbedPort* device = nullptr;
    for (const PortCandidate& candidate : ListPortCandidates()) {
        if (IsCancelled(cancel)) break;
        results.push_back({candidate, ProbePortPath(candidate.path, cancel)});
        if (results.back().result.outcome == ProbeOutcome::Device) {
            device = &results.back();
            break;
        }
    }
    // A port that talks but not as the device is asked to recover only once every port had
    // its plain identification, so that a healthy device elsewhere is found without delay.
    for (ProbedPort& port : results) {
        if (device != nullptr || !mayRecover || IsCancelled(cancel)) break;
        if (!WorthRecovering(port.result) || !mayRecover(port.candidate)) continue;
        port.result = RecoverAndProbe(port.candidate.path, port.result, cancel);
        if (port.result.outcome == ProbeOutcome::Device) device = &port;
    }
    if (device != nullptr) SetDevicePort(device->candidate.number, device->candidate.path);
    if (probed) probed->insert(probed->end(), results.begin(), results.end());
    return device != nullptr ? 1 : 0;
}

int32_t RecoverOncePerPlugIn::FindDevicePort(const CancelRequest* cancel) {
    std::vector<ProbedPort> probed;
    const int32_t found = kvd::FindDevicePort(&probed, cancel, [this](const PortCandidate& port) {
        if (std::find(recovered_.begin(), recovered_.end(), port.path) != recovered_.end())
            return false;
        recovered_.push_back(port.path);
        return true;
    });
    // Unplugged, or found as the device: the next trouble on that port may be recovered again.
    for (const ProbedPort& port : probed) {
        if (port.result.outcome == ProbeOutcome::NotTheDevice) continue;
        std::erase(recovered_, port.candidate.path);
    }
    return found;
}

}  // namespace kvd
