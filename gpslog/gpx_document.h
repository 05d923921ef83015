// The GPX 1.1 document of one log: a waypoint per marked fix, then the trip as one track with
// a point per valid fix, in a new segment after each loss of signal. Speed and course go into the
// widely read track-point extension. Written in document order in two passes over the fixes, memory
// independent of the log.
#pragma once

#include <cstdint>
#include <string_view>

#include "gpslog/gps_log_image.h"

namespace kvd {

class TextSink;

// The speed unit of the device is km/h; GPX counts metres per second.
inline constexpr double kKilometresPerHourInMetresPerSecond = 1.0 / 3.6;

// out must be a UTF-8 sink: the declaration says so.
void WriteGpxDocument(const GpsLogImage& log, std::string_view trackName, TextSink& out);

}  // namespace kvd
