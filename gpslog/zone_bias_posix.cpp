#include <cstdlib>
#include <ctime>

#include "gpslog/local_time.h"
#include "gpslog/time_zone.h"

namespace kvd {

// tm_gmtoff is the offset localtime used, daylight saving included; past the zone file's last
// change the C library goes on by the rule at its end (the TZ string of the file).
int32_t ZoneOffsetSecondsAt(int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        tzset();
        return static_cast<int32_t>(-timezone);  // the zone's standard offset
    }
    return static_cast<int32_t>(tm.tm_gmtoff);
}

// TZDIR as the C library reads it; else where Debian's tzdata puts the files.
std::optional<std::string> ZoneInfoFolder() {
    const char* folder = std::getenv("TZDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

}  // namespace kvd
