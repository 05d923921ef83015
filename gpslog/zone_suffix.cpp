#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "gpslog/local_time.h"

namespace kvd {

std::string_view ZoneSuffix(int32_t utcOffsetSeconds, char (&buffer)[8]) {
    // Whole minutes: a designator has no seconds, and no offset since 1972 has had any.
    const int32_t minutes = std::abs(utcOffsetSeconds) / 60 % (100 * 60);  // keeps it 6 chars
    if (minutes == 0) {
        buffer[0] = 'Z';
        buffer[1] = '\0';
        return {buffer, 1};
    }
    const char sign = utcOffsetSeconds < 0 ? '-' : '+';
    const int written =
        std::snprintf(buffer, sizeof buffer, "%c%02d:%02d", sign, static_cast<int>(minutes / 60),
                      static_cast<int>(minutes % 60));
    return {buffer, static_cast<std::size_t>(written)};
}

}  // namespace kvd
