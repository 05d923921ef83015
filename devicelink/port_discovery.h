// Finding the device's port: every serial port candidate of the system is probed with the
// identification exchange; the first that answers as the device is taken.
#pragma once

#include <cstdint>
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
};

// The identification exchange on one port: "Echo KVD-2730\n" then "SetMode 1\n", 100 ms per byte.
ProbeResult ProbePortPath(const std::string& path);

// Probes one candidate; when it passes, it becomes the device's port and a pending abort is cleared.
int32_t ProbePort(const PortCandidate& candidate);

struct ProbedPort {
    PortCandidate candidate;
    ProbeResult result;
};

// Walks the candidates; 1 when one passed (and is now the device's port), else 0.
// `probed`, when given, receives every candidate probed and its result.
int32_t FindDevicePort(std::vector<ProbedPort>* probed = nullptr);

// The name the device's port is opened by, formed afresh for each call from the discovery's
// result; empty before the first discovery.
std::string DevicePortName();

// Makes a port the device's port: after a discovery, or when the user names the port.
void SetDevicePort(int32_t number, const std::string& path);

}  // namespace kvd
