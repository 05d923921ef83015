#include "gpslog/kml_document.h"

#include <algorithm>

#include "common/path_text.h"
#include "gpslog/local_time.h"
#include "gpslog/print_format.h"
#include "shell/shell.h"

namespace kvd {
namespace {

// The document as a DOM would save it: whitespace between elements is not part of it.
// "UTF-16" is what the bytes are; readers built on expat reject the name "Unicode".
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
constexpr std::string_view kKmlOpen = "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>";
constexpr std::string_view kStyleOpen[3] = {
    "<Style id=\"blue_dot\"><IconStyle><Icon><href>",
    "<Style id=\"ylw_pushpin\"><IconStyle><Icon><href>",
    "<Style id=\"blue_pushpin\"><IconStyle><Icon><href>",
};
constexpr std::string_view kStyleClose = "</href></Icon></IconStyle></Style>";
constexpr std::string_view kTrackOpen = "<Folder><Placemark><visibility>1</visibility><name>";
constexpr std::string_view kTrackSummaryOpen = "</name><ExtendedData>";
constexpr std::string_view kTrackStyle =
    "</ExtendedData><Style><geomScale>10</geomScale><geomColor>ff0045ff</geomColor></Style>";
constexpr std::string_view kTrackLineOpen = "<LineString><coordinates>";
constexpr std::string_view kTrackLineClose = "</coordinates></LineString>";
constexpr std::string_view kTrackClose = "</Placemark>";
constexpr std::string_view kDocumentClose = "</Folder></Document></kml>";

std::string IconUrl(std::string_view host, std::string_view path) {
    return "http://" + std::string(host) + std::string(path);
}

std::string PickIcon(IconReachability& reachability, std::string_view preferredHost,
                     std::string_view preferredPath, std::string_view fallbackPath) {
    return reachability.CanConnect(preferredHost) ? IconUrl(preferredHost, preferredPath)
                                                  : IconUrl(kMarkerIconHost, fallbackPath);
}

}  // namespace

KmlIcons ChooseIcons(IconReachability& reachability) {
    KmlIcons icons;
    icons.bluePushpin = PickIcon(reachability, kPaletteIconHost, "/mapfiles/kml/pal4/icon25.png",
                                 "/intl/en_us/mapfiles/ms/icons/blue-pushpin.png");
    icons.yellowPushpin = PickIcon(reachability, kPaletteIconHost, "/mapfiles/kml/pal4/icon24.png",
                                   "/intl/en_us/mapfiles/ms/icons/ylw-pushpin.png");
    icons.blueDot =
        PickIcon(reachability, kMarkerIconHost, "/intl/en_us/mapfiles/ms/icons/info.png",
                 "/intl/en_us/mapfiles/ms/icons/blue-dot.png");
    return icons;
}

std::string TrackName(const std::filesystem::path& kmlPath) {
    return PathToUtf8(kmlPath.filename()) + " " + std::string(MessageText(MsgPath));
}

std::string TrackSummary(const GpsLogImage& log) {
    const CalendarFields start = TimeToLocalCalendar(log.StartTime(), log.Zone());
    const CalendarFields end = TimeToLocalCalendar(log.EndTime(), log.Zone());
    std::string summary = PrintFormat(MessageText(MsgKmlTrackSummary))
                              .Format({start.year, start.month, start.day, start.hour, start.minute,
                                       start.second, end.year, end.month, end.day, end.hour,
                                       end.minute, end.second, log.Interval()});
    // Parsing turns the CR LF of the catalogue text into LF; write what a reader will see.
    std::erase(summary, '\r');
    return summary;
}

void WriteKmlDocument(const GpsLogImage& log, std::string_view trackName, const KmlIcons& icons,
                      KmlStream& out) {
    out.Markup(kDeclaration);
    out.Markup(kKmlOpen);
    const std::string* urls[3] = {&icons.blueDot, &icons.yellowPushpin, &icons.bluePushpin};
    for (int style = 0; style < 3; ++style) {
        out.Markup(kStyleOpen[style]);
        out.Text(*urls[style]);
        out.Markup(kStyleClose);
    }
    out.Markup(kTrackOpen);
    out.Text(trackName);
    out.Markup(kTrackSummaryOpen);
    out.Markup(TrackSummary(log));
    out.Markup(kTrackStyle);
    // A line without points reads as a malformed geometry, or as a point at 0,0: a log
    // without a fix gets a track placemark without a line.
    if (log.FixCount() != 0) {
        out.Markup(kTrackLineOpen);
        FillTrackCoordinates(log, out);
        out.Markup(kTrackLineClose);
    }
    out.Markup(kTrackClose);
    AppendFixPlacemarks(log, out);
    out.Markup(kDocumentClose);
}

}  // namespace kvd
