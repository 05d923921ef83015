// The start dialog's two short exchanges with the device it found: the identification that
// makes its buttons usable, and the once-a-second check that it is still there. Each waits
// at most 100 ms per byte, since both run on the UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace kvd {

inline constexpr int32_t kWatchTimeoutMs = 100;

// "SetMode 1\n", then "GetGpsDataVersion\n", which must bring a reply text back.
bool IdentifyDevice(const std::string& portName);

// "Echo KVD-2730\n"; `folder` is the exchange's local folder (the current directory).
bool CheckConnection(const std::string& portName, const std::string& folder);

}  // namespace kvd
