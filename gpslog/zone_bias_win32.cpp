#include <windows.h>

#include "gpslog/local_time.h"

namespace kvd {

// Bias is the standard offset in minutes, UTC = local + Bias; DaylightBias is not applied.
int32_t StandardZoneBiasMinutes() {
    TIME_ZONE_INFORMATION info{};
    GetTimeZoneInformation(&info);
    return static_cast<int32_t>(info.Bias);
}

}  // namespace kvd
