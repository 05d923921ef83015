// What the device's YMODEM sender and receiver need from the virtual device around them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "simulator/device_wire.h"
#include "simulator/fault_plan.h"

namespace kvd::sim {

struct YmodemDeviceSide {
    DeviceWire& wire;
    const FaultPlan& fault;
    // True when the armed fault is of this kind and applies to the running command.
    std::function<bool(FaultKind)> faultActive;
    int dataBlockSize = 1024;  // data blocks the device sends: 1024 or 128
    // Takes one journal entry, without brackets or line feed; may be empty.
    std::function<void(const std::string&)> journal;

    // The armed fault is of this kind and names data block k.
    bool FaultAtBlock(FaultKind kind, int64_t k) const {
        return faultActive(kind) && fault.Number(1) == k;
    }
    void Note(const std::string& entry) const {
        if (journal) journal(entry);
    }
};

// How long the device waits for each answer of the host before it gives the batch up.
inline constexpr int kHostAnswerWaitMs = 1000;
// A host that gives a batch up sends CAN twice; the second follows at once.
inline constexpr int kSecondCanWaitMs = 100;

// The host sent CAN: takes a second CAN that follows directly as part of the same cancel.
// Any other byte is the start of what the host sends next and stays to be read.
void TakeHostCancel(const YmodemDeviceSide& side);

// Journals a byte the host sent where the batch has no use for it.
void NoteStrayByte(const YmodemDeviceSide& side, uint8_t byte);

}  // namespace kvd::sim
