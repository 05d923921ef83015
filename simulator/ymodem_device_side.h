// What the device's YMODEM sender and receiver need from the virtual device around them.
#pragma once

#include <cstdint>
#include <functional>

#include "simulator/device_wire.h"
#include "simulator/fault_plan.h"

namespace kvd::sim {

struct YmodemDeviceSide {
    DeviceWire& wire;
    const FaultPlan& fault;
    // True when the armed fault is of this kind and applies to the running command.
    std::function<bool(FaultKind)> faultActive;
    int dataBlockSize = 1024;  // data blocks the device sends: 1024 or 128

    // The armed fault is of this kind and names data block k.
    bool FaultAtBlock(FaultKind kind, int64_t k) const {
        return faultActive(kind) && fault.Number(1) == k;
    }
};

// How long the device waits for each answer of the host before it gives the batch up.
inline constexpr int kHostAnswerWaitMs = 1000;

}  // namespace kvd::sim
