// Any bytes read as a zoneinfo file, and the rules of what is accepted asked across the range.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gpslog/local_time.h"
#include "gpslog/time_zone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto rules = kvd::ParseZoneInfo({reinterpret_cast<const char*>(data), size});
    if (!rules) return 0;
    for (int64_t time = kvd::kEarliestLocalTime; time <= kvd::kLatestLocalTime;
         time += 86'400 * 3'659) {
        (void)kvd::ZoneRulesOffsetAt(*rules, time);
    }
    (void)kvd::ZoneRulesOffsetAt(*rules, kvd::kLatestLocalTime);
    return 0;
}
