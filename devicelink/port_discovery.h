// Finding the device's port: every serial port candidate of the system is probed with the
// identification exchange; the first that answers as the device is taken.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/devicelink.h"

namespace kvd {

struct PortCandidate {
    std::string path;         // what OpenSerialPort opens
    std::string description;  // the friendly name or USB product, for people
    int32_t number = -1;      // the port number stored in g_devicePort when it passes
};

// The system's serial port candidates in the order they are probed.
std::vector<PortCandidate> ListPortCandidates();

// The COM port number in a friendly name: digits right after its first "COM" (case-sensitive),
// at most 65535. "USB Serial Device (COM12)" gives 12; "COMX (COM3)" gives none.
std::optional<int32_t> ComPortNumberFromFriendlyName(std::string_view friendlyName);

enum class ProbeOutcome { Device, NotTheDevice, CannotOpen };

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::NotTheDevice;
    PortOpenError openError = PortOpenError::None;  // when the port could not be opened
    bool answered = false;   // something came back, though perhaps not as the device
    bool recovered = false;  // the recovery was tried before the last identification
};

// The identification exchange on one port: "Echo KVD-2730\n" then "SetMode 1\n", 100 ms per
// byte. Nothing else is sent.
ProbeResult ProbePortPath(const std::string& path, const CancelRequest* cancel = nullptr);

// The identification; when it fails on a port that answered something, the recovery and the
// identification once more. Silence and a port that cannot be opened get no recovery.
ProbeResult ProbeRecovering(const std::string& path, const CancelRequest* cancel = nullptr);

struct ProbedPort {
    PortCandidate candidate;
    ProbeResult result;
};

// Whether a port that answered but not as the device may be sent the recovery now.
using RecoveryPolicy = std::function<bool(const PortCandidate&)>;

// Walks the candidates; 1 when one passed (and is now the device's port), else 0. When none
// passed, each that answered something and that `mayRecover` allows gets the recovery and one
// more identification; without a policy there is none. `probed`, when given, receives every
// candidate probed and its last result.
int32_t FindDevicePort(std::vector<ProbedPort>* probed = nullptr,
                       const CancelRequest* cancel = nullptr,
                       const RecoveryPolicy& mayRecover = {});

// The desktop's search runs the discovery every 100 ms: a port that answers but not as the
// device gets the recovery once, and again only after it was unplugged (it could not be
// opened) or passed as the device.
class RecoverOncePerPlugIn {
  public:
    // One pass of FindDevicePort under this rule.
    int32_t FindDevicePort(const CancelRequest* cancel = nullptr);

  private:
    std::vector<std::string> recovered_;  // ports recovered since they were last plugged in
};

// The name the device's port is opened by, formed afresh for each call from the discovery's
// result; empty before the first discovery.
std::string DevicePortName();

// Makes a port the device's port: after a discovery, or when the user names the port.
void SetDevicePort(int32_t number, const std::string& path);

}  // namespace kvd
