// Bringing back a device that answers but not as itself: one a killed host left inside a
// batch, or one holding part of a line that stray bytes began.
#pragma once

#include <cstdint>
#include <string>

#include "common/cancel_request.h"

namespace kvd {

// How long the line must stay quiet before a step of the recovery counts as answered.
inline constexpr int32_t kRecoveryQuietMs = 200;

// Ends a batch the device may be inside (CAN CAN), then clears a partial line it may hold (a
// lone line feed). After each step it reads and drops the device's answer up to its prompt or
// until the line stays quiet for quietMs. Sends no command. False when the port cannot be
// opened or the caller cancelled.
bool RecoverDeviceLink(const std::string& portName, int32_t quietMs = kRecoveryQuietMs,
                       const CancelRequest* cancel = nullptr);

}  // namespace kvd
