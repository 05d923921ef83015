#include "gpslog/kml_document.h"
#include "gpslog/local_time.h"
#include "gpslog/print_format.h"
#include "gpslog/xml_text.h"
#include "shell/shell.h"

namespace kvd {
namespace {

// The fix placemark as parsed: the blank runs between its elements are not kept. The detail
// is filled in straight after it, then the placemark closed.
constexpr std::string_view kFixPlacemark =
    "<Placemark><visibility>%d</visibility><name>%s</name>"
    "<LookAt><longitude>%.6f</longitude><latitude>%.6f</latitude><altitude>%d</altitude>"
    "<range>232.0314620165034</range><tilt>0.0009915095047460121</tilt>"
    "<heading>%d</heading></LookAt>"
    "<TimeSpan><begin>%04d-%02d-%02dT%02d:%02d:%02d%s</begin>"
    "<end>%04d-%02d-%02dT%02d:%02d:%02d%s</end></TimeSpan>"
    "%s<Point><coordinates>%.6f,%.6f,%d</coordinates></Point>"
    "<ExtendedData>";
constexpr std::string_view kFixPlacemarkClose = "</ExtendedData></Placemark>";

constexpr double kHeadingShownFromSpeed = 10.0;

std::string_view StyleReference(const GpsFix& fix) {
    if (fix.mark != 0) return "<styleUrl>#blue_dot</styleUrl>";
    if (fix.valid != 0) return "<styleUrl>#ylw_pushpin</styleUrl>";
    return "<styleUrl>#blue_pushpin</styleUrl>";  // a position repeated for an invalid block
}

// The zone's offset is the costly step; each fix's end is the next fix's begin, so one
// remembered answer halves the calls. Begin and end may lie on either side of a change of
// clocks, so each carries its own suffix.
struct KmlTime {
    CalendarFields fields;
    char suffixBuffer[8] = {};
    std::size_t suffixLength = 0;

    std::string_view Suffix() const { return {suffixBuffer, suffixLength}; }
};

class LocalCalendarCache {
  public:
    explicit LocalCalendarCache(const TimeZone& zone) : zone_(zone) {}

    const KmlTime& At(int64_t time) {
        if (!valid_ || time != time_) {
            const LocalTime local = TimeToLocalTime(time, zone_);
            entry_.fields = local.fields;
            entry_.suffixLength = ZoneSuffix(local.utcOffsetSeconds, entry_.suffixBuffer).size();
            time_ = time;
            valid_ = true;
        }
        return entry_;
    }

  private:
    const TimeZone& zone_;
    bool valid_ = false;
    int64_t time_ = 0;
    KmlTime entry_;
};

}  // namespace

int32_t FixVisibility(int32_t mark, uint64_t index, int32_t interval) {
    if (mark != 0) {
        return 1;  // KML's visibility is a boolean
    }
    if (interval <= 0 || interval > 60) {
        return 1;
    }
    const auto period = static_cast<uint64_t>(60 / interval);
    return index % period == 0 ? 1 : 0;
}

void FillTrackCoordinates(const GpsLogImage& log, KmlStream& out) {
    const PrintFormat line("%lf,%lf,%d\n");
    log.ForEachFix([&](const GpsFix& fix, uint64_t) {
        line.WriteTo(out.Out(), {fix.longitude, fix.latitude, fix.altitude});
    });
}

void AppendFixPlacemarks(const GpsLogImage& log, KmlStream& out) {
    const PrintFormat placemark(kFixPlacemark);
    const PrintFormat dateTime(MessageText(MsgDateTimeFormat));
    const PrintFormat detailWithHeading(MessageText(MsgKmlPointDetailWithHeading));
    const PrintFormat detailPlain(MessageText(MsgKmlPointDetail));
    LocalCalendarCache calendar(log.Zone());
    std::string nameText;
    std::string name;

    log.ForEachFix([&](const GpsFix& fix, uint64_t index) {
        const KmlTime beginTime = calendar.At(fix.time);
        const KmlTime& endTime = calendar.At(log.SpanEnd(fix.time));
        const CalendarFields& begin = beginTime.fields;
        const CalendarFields& end = endTime.fields;

        nameText.clear();
        dateTime.AppendTo(
            nameText, {begin.year, begin.month, begin.day, begin.hour, begin.minute, begin.second});
        name.clear();
        AppendEscapedText(name, nameText);

        // Toward zero; a direction that is no compass angle leaves the view facing north.
        const int64_t heading = HasCourse(fix) ? static_cast<int64_t>(fix.direction) : 0;
        placemark.WriteTo(out.Out(), {FixVisibility(fix.mark, index, log.Interval()),
                                      std::string_view(name),
                                      fix.longitude,
                                      fix.latitude,
                                      fix.altitude,
                                      heading,
                                      begin.year,
                                      begin.month,
                                      begin.day,
                                      begin.hour,
                                      begin.minute,
                                      begin.second,
                                      beginTime.Suffix(),
                                      end.year,
                                      end.month,
                                      end.day,
                                      end.hour,
                                      end.minute,
                                      end.second,
                                      endTime.Suffix(),
                                      StyleReference(fix),
                                      fix.longitude,
                                      fix.latitude,
                                      fix.altitude});
        if (fix.speed >= kHeadingShownFromSpeed) {
            detailWithHeading.WriteTo(
                out.Out(), {fix.speed, fix.direction, begin.year, begin.month, begin.day,
                            begin.hour, begin.minute, begin.second, fix.latitude, fix.longitude});
        } else {
            detailPlain.WriteTo(
                out.Out(), {fix.speed, begin.year, begin.month, begin.day, begin.hour, begin.minute,
                            begin.second, fix.latitude, fix.longitude});
        }
        out.Markup(kFixPlacemarkClose);
    });
}

}  // namespace kvd
