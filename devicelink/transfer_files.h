// YMODEM batches in the device's dialect.
#pragma once

#include <string>

#include "devicelink/link_context.h"

namespace kvd {

// Reads the status line that announces a batch and runs it in the given direction.
// 0 failure, 1 the reply ended without a transfer, 3 the batch completed.
int32_t TransferFiles(LinkContext& context, TransferMode mode);

// Uploads folder/header.fileName under deviceName.
int32_t SendDeviceFile(LinkContext& context, const std::string& deviceName);

}  // namespace kvd
