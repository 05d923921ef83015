// The device receiving a YMODEM batch: the data files and firmware the host uploads.
#pragma once

#include <string>
#include <vector>

#include "simulator/device_storage.h"
#include "simulator/ymodem_device_side.h"

namespace kvd::sim {

// Receives a batch in the device's dialect: "C" for block 0, ACK (or "C", with that fault)
// for each block, NAK for a damaged one, NAK/ACK for the two EOTs, "C" for the next block 0.
// The files received, each cut to its announced size, land in `files`.
// False when the host broke off, sent a block 0 we cannot take, or a fault ended the batch.
bool ReceiveBatch(const YmodemDeviceSide& side, std::vector<StoredFile>& files);

}  // namespace kvd::sim
