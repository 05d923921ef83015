// Built-in trips for the virtual device's log slots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/device_storage.h"

namespace kvd::sim {

struct TripPlan {
    uint32_t seed = 1;
    int fixCount = 600;
    int intervalSeconds = 1;
};

// A log file of the device's format with a realistic track, named after its start time.
StoredFile MakeSyntheticTrip(const TripPlan& plan);

}  // namespace kvd::sim
