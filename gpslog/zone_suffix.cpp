#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "gpslog/local_time.h"

namespace kvd {

std::string_view ZoneSuffix(int32_t biasMinutes, char (&buffer)[8]) {
    if (biasMinutes == 0) {
        buffer[0] = 'Z';
        buffer[1] = '\0';
        return {buffer, 1};
    }
    // A negative bias means local time is ahead of UTC.
    const char sign = biasMinutes < 0 ? '+' : '-';
    const int32_t magnitude = std::abs(biasMinutes) % (100 * 60);  // keeps the text 6 chars
    const int written = std::snprintf(buffer, sizeof buffer, "%c%02d:%02d", sign,
                                      static_cast<int>(magnitude / 60),
                                      static_cast<int>(magnitude % 60));
    return {buffer, static_cast<std::size_t>(written)};
}

}  // namespace kvd
