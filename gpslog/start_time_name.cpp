#include <cstdio>

#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"
#include "gpslog/local_time.h"

namespace kvd {

std::optional<std::string> StartTimeName(std::span<const uint8_t> data) {
    std::string error;
    const std::optional<GpsLogImage> log = GpsLogImage::Open(data, error);
    if (!log) return std::nullopt;
    const CalendarFields start = TimeToLocalCalendar(log->StartTime());
    if (start == kUnrepresentableFields) return std::nullopt;
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d%02d", start.year, start.month, start.day,
                  start.hour, start.minute);
    return std::string(name);
}

}  // namespace kvd
