#include <ctime>

#include "gpslog/local_time.h"

namespace kvd {

// `timezone` holds the standard offset in seconds west of UTC; the daylight rule is ignored
// on purpose, as the KML times carry the standard offset.
int32_t StandardZoneBiasMinutes() {
    tzset();
    return static_cast<int32_t>(timezone / 60);
}

}  // namespace kvd
