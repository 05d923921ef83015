#include "simulator/synthetic_trips.h"

#include <cstdio>

#include "gpslog/gpslog.h"

namespace kvd::sim {

StoredFile MakeSyntheticTrip(const TripPlan& plan) {
    const SyntheticTrip trip =
        MakeSyntheticTripBlocks(plan.seed, static_cast<uint32_t>(plan.fixCount),
                                static_cast<uint16_t>(plan.intervalSeconds));
    // Named after the start, as the device names its logs: MMDDhhmm.LOG.
    char name[32];
    std::snprintf(name, sizeof name, "%02u%02u%02u%02u.LOG", unsigned{trip.header.month},
                  unsigned{trip.header.day}, unsigned{trip.header.hour},
                  unsigned{trip.header.minute});
    return {name, EncodeLog(trip.header, trip.fixes)};
}

}  // namespace kvd::sim
