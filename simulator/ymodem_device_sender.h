// The device sending a YMODEM batch: logs, records and the flash image go to the host.
#pragma once

#include <span>

#include "simulator/device_storage.h"
#include "simulator/ymodem_device_side.h"

namespace kvd::sim {

// Sends the files as one batch in the device's dialect: block 0 (always 1029 bytes), data
// blocks on each ACK or "C", EOT/NAK/EOT/ACK, and the empty block 0 on the next "C".
// False when the host broke off or a fault ended the batch early.
bool SendBatch(const YmodemDeviceSide& side, std::span<const StoredFile> files);

}  // namespace kvd::sim
