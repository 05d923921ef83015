// Small steps both directions of a YMODEM transfer take on a LinkContext.
#pragma once

#include <cstdint>

#include "devicelink/link_context.h"
#include "devicelink/ymodem_block.h"

namespace kvd {

// Writes one control byte (ACK, NAK, CAN, EOT, "C").
bool SendControlByte(LinkContext& context, uint8_t byte);

// Reads one byte: an answer, an EOT or the first byte of a block.
bool ReadControlByte(LinkContext& context, uint8_t& byte);

// Data bytes per block of the current file.
inline std::size_t FileBlockData(const LinkContext& context) {
    return BlockDataLength(context.header.blockType);
}

// Takes the time after a data block: elapsed seconds and the projected total.
void MarkBlockTime(LinkContext& context);

// Calls the progress reporter when the whole-block percentage changed.
void ReportProgress(LinkContext& context);

}  // namespace kvd
