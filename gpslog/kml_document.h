// The KML document of one log: three icon styles, a folder with the track placemark and one
// placemark per fix. Written in document order in one pass over the header and two over
// the fixes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "gpslog/gps_log_image.h"
#include "gpslog/icon_reachability.h"
#include "gpslog/kml_stream.h"

namespace kvd {

// Both icon sets are served from one public map host today; kept apart as the paths are.
inline constexpr std::string_view kPaletteIconHost = "maps.google.com";
inline constexpr std::string_view kMarkerIconHost = "maps.google.com";

struct KmlIcons {
    std::string blueDot;
    std::string yellowPushpin;
    std::string bluePushpin;
};

// Each style takes its preferred icon when that icon's server answers, else its fallback.
KmlIcons ChooseIcons(IconReachability& reachability);

// "<KML file name> Path", from the last component of the KML path.
std::string TrackName(const std::filesystem::path& kmlPath);

// Start, end and interval of the log as Data elements (markup, not text).
std::string TrackSummary(const GpsLogImage& log);

void WriteKmlDocument(const GpsLogImage& log, std::string_view trackName, const KmlIcons& icons,
                      KmlStream& out);

// The track's coordinate list: "lon,lat,0" and LF per fix, every fix included.
void FillTrackCoordinates(const GpsLogImage& log, KmlStream& out);

// One Placemark per fix, in fix order.
void AppendFixPlacemarks(const GpsLogImage& log, KmlStream& out);

// A marked fix is shown (1, whatever its mark value); of the others every (60 / interval)-th
// is shown, or every one when the interval is 0 or above 60 and that rule has no period.
int32_t FixVisibility(int32_t mark, uint64_t index, int32_t interval);

}  // namespace kvd
