#include "gpslog/gpx_document.h"

#include "common/text_sink.h"
#include "gpslog/local_time.h"
#include "gpslog/print_format.h"
#include "gpslog/xml_text.h"
#include "shell/shell.h"

namespace kvd {
namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"kvd2730\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
    "http://www.topografix.com/GPX/1/1/gpx.xsd "
    "http://www.garmin.com/xmlschemas/TrackPointExtension/v2 "
    "http://www.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\n";

// Times are UTC, as GPX asks; the name stays the local time the KML shows.
constexpr std::string_view kWaypoint =
    "<wpt lat=\"%.6f\" lon=\"%.6f\"><time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>"
    "<name>%s</name></wpt>\n";
constexpr std::string_view kTrackPoint =
    "<trkpt lat=\"%.6f\" lon=\"%.6f\"><time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>"
    "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>%.3f</gpxtpx:speed>";
constexpr std::string_view kCourse = "<gpxtpx:course>%.1f</gpxtpx:course>";
constexpr std::string_view kTrackPointClose =
    "</gpxtpx:TrackPointExtension></extensions></trkpt>\n";

constexpr int64_t kSecondsPerDay = 86'400;

// GPX counts longitudes from -180 up to but not including 180: the device's 180 is -180.
double GpxLongitude(double longitude) { return longitude >= 180.0 ? longitude - 360.0 : longitude; }

// UTC calendar fields; the date is worked out once per day of the log, the time of day is
// arithmetic.
class UtcCalendar {
  public:
    CalendarFields At(int64_t time) {
        if (!known_ || time < dayStart_ || time >= dayStart_ + kSecondsPerDay) {
            dayStart_ = time - Remainder(time);
            known_ = true;
            date_ = DateOf(dayStart_);
        }
        const auto second = static_cast<int>(time - dayStart_);
        return {date_.year, date_.month, date_.day, second / 3600, second / 60 % 60, second % 60};
    }

  private:
    static int64_t Remainder(int64_t time) {
        const int64_t r = time % kSecondsPerDay;
        return r < 0 ? r + kSecondsPerDay : r;
    }
    static CalendarFields DateOf(int64_t time) {
        return TimeToLocalCalendar(time, 0);  // UTC is the zone without offset
    }

    bool known_ = false;
    int64_t dayStart_ = 0;
    CalendarFields date_;
};

void WriteWaypoints(const GpsLogImage& log, TextSink& out) {
    const PrintFormat waypoint(kWaypoint);
    const PrintFormat localName(MessageText(MsgDateTimeFormat));
    UtcCalendar utc;
    std::string nameText;
    std::string name;
    log.ForEachFix([&](const GpsFix& fix, uint64_t) {
        // A block without a position repeats the previous fix, its mark included.
        if (fix.valid == 0 || fix.mark == 0) return;
        const CalendarFields local = TimeToLocalCalendar(fix.time, log.Zone());
        nameText.clear();
        localName.AppendTo(
            nameText, {local.year, local.month, local.day, local.hour, local.minute, local.second});
        name.clear();
        AppendEscapedText(name, nameText);
        const CalendarFields at = utc.At(fix.time);
        waypoint.WriteTo(out, {fix.latitude, GpxLongitude(fix.longitude), at.year, at.month, at.day,
                               at.hour, at.minute, at.second, std::string_view(name)});
    });
}

// Where the signal was lost, drawing a line across the gap would invent a route: a block
// without a position, or more than this many intervals between two fixes, starts a new segment.
constexpr int64_t kIntervalsWithinSegment = 3;

// Writes the points into the open segment, closing it and opening the next at each gap.
void WriteTrackPoints(const GpsLogImage& log, TextSink& out) {
    const PrintFormat point(kTrackPoint);
    const PrintFormat course(kCourse);
    UtcCalendar utc;
    bool pointWritten = false;
    bool signalLost = false;
    int64_t previousTime = 0;
    const int64_t widestStep = kIntervalsWithinSegment * int64_t{log.Interval()};
    log.ForEachFix([&](const GpsFix& fix, uint64_t) {
        if (fix.valid == 0) {  // no position of its own
            signalLost = true;
            return;
        }
        if (pointWritten && (signalLost || fix.time - previousTime > widestStep)) {
            out.Append("</trkseg><trkseg>\n");
        }
        pointWritten = true;
        signalLost = false;
        previousTime = fix.time;
        const CalendarFields at = utc.At(fix.time);
        point.WriteTo(
            out, {fix.latitude, GpxLongitude(fix.longitude), at.year, at.month, at.day, at.hour,
                  at.minute, at.second, fix.speed * kKilometresPerHourInMetresPerSecond});
        // A course GPX cannot hold (360 or more) is left out rather than guessed.
        if (HasCourse(fix)) course.WriteTo(out, {fix.direction});
        out.Append(kTrackPointClose);
    });
}

}  // namespace

void WriteGpxDocument(const GpsLogImage& log, std::string_view trackName, TextSink& out) {
    out.Append(kHeader);
    const CalendarFields start = UtcCalendar().At(log.StartTime());
    out.Append("<metadata><name>");
    AppendEscapedText(out, trackName);
    out.Append("</name>");
    PrintFormat("<time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>")
        .WriteTo(out, {start.year, start.month, start.day, start.hour, start.minute, start.second});
    out.Append("</metadata>\n");
    WriteWaypoints(log, out);
    out.Append("<trk><name>");
    AppendEscapedText(out, trackName);
    out.Append("</name><trkseg>\n");
    WriteTrackPoints(log, out);
    out.Append("</trkseg></trk>\n</gpx>\n");
}

}  // namespace kvd
