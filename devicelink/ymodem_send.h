// The sending side of a YMODEM batch of one file in the device's dialect.
#pragma once

#include <cstdint>
#include <string>

#include "devicelink/link_context.h"

namespace kvd::send {

// Loads folder/header.fileName, then lets block 0 announce displayName (the device-side name)
// while the progress reports show the local name. False when the file cannot be loaded.
bool PrepareSendFile(LinkContext& context);

// Reads the whole file at path into data; header.fileName becomes its last component.
int32_t LoadSendFile(LinkContext& context, const std::string& path);

// Waits for "C" and sends block 0, or the closing block 0 once header.endOfBatch is set.
// 0 failure, 1 block 0 sent, 3 batch closed.
int32_t ExchangeHeaderBlock(LinkContext& context);

// Block 0 into sendBuf: the name, NUL, "SIZE MTIME 100644 ", or all zero for the closing one.
bool BuildHeaderBlock(LinkContext& context);

// Reads the answer to the previous block and sends the next one, the same one again after a
// NAK, or the first EOT once all data are out. 0 failure, 1 block sent, 2 EOT sent.
int32_t SendDataBlock(LinkContext& context);

// True when the block that would go next starts at or past the end of the file.
bool AllDataSent(const LinkContext& context);

// The current block's slice of the file into sendBuf, the rest padded with 0x1A.
void FillDataBlock(LinkContext& context);

// Type, number, complement and CRC around the data in sendBuf.
void SealBlock(LinkContext& context);

// Second half of the end-of-file handshake. 0 failure, 1 done.
int32_t FinishFile(LinkContext& context);

}  // namespace kvd::send
