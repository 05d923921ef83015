// The receiving side of a YMODEM batch in the device's dialect.
#pragma once

#include <cstdint>

#include "devicelink/link_context.h"

namespace kvd::receive {

// Asks for block 0 with "C" and acknowledges it. 0 failure, 1 a file follows, 3 end of batch.
int32_t ExchangeHeaderBlock(LinkContext& context);

// Checks block 0 in recvBuf and takes its name and size. 0 invalid, 1 a file, 3 end of batch.
int32_t ParseHeaderBlock(LinkContext& context);

// Receives the next data block or the first EOT. 0 failure, 1 block taken, 2 end of file.
int32_t ReceiveDataBlock(LinkContext& context);

enum class BlockVerdict { Invalid, Next, Repeat };

// Checks the data block in recvBuf against the CRC, its complement and the block expected
// next, and advances the block counter for the next one.
BlockVerdict CheckDataBlock(LinkContext& context);

// Copies the data of the block in recvBuf to its place in the file, without the padding.
void StoreDataBlock(LinkContext& context);

// True when the blocks taken so far cover the announced size (at once for an empty file).
bool IsLastBlock(const LinkContext& context);

// Answers the second EOT of the end-of-file handshake. 0 failure, 1 done.
int32_t FinishFile(LinkContext& context);

}  // namespace kvd::receive
