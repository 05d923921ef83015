#include "simulator/ymodem_device_side.h"

#include <cstdio>

#include "devicelink/ymodem_block.h"

namespace kvd::sim {

void TakeHostCancel(const YmodemDeviceSide& side) {
    uint8_t next = 0;
    if (side.wire.ReadByte(next, kSecondCanWaitMs) && next != kCan) side.wire.PutBack(next);
    side.Note("batch: host cancelled");
}

void NoteStrayByte(const YmodemDeviceSide& side, uint8_t byte) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", byte);
    side.Note(std::string("batch: host sent ") + hex);
}

}  // namespace kvd::sim
