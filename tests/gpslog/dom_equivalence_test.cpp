// The KML is streamed for speed; here the same document is built the slow way, with a DOM:
// the template parsed, texts set, every placemark parsed from its printf text and appended,
// then saved. Both must give the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "gpslog/gpslog.h"
#include "gpslog/local_time.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

std::string Sprintf(std::string_view format, auto... args) {
    char buffer[4096];
    std::snprintf(buffer, sizeof buffer, std::string(format).c_str(), args...);
    return buffer;
}

std::vector<uint8_t> KmlByDom(const GpsLog& log, const std::string& trackName,
                              const KmlIcons& icons) {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
        "<kml xmlns='http://www.opengis.net/kml/2.2'>"
        "\t<Document>\t<Style id=\"blue_dot\">\t\t<IconStyle>\t\t\t<Icon>\t\t\t\t<href>%s</href>"
        "\t\t\t</Icon>\t\t</IconStyle>\t</Style>"
        "\t<Style id=\"ylw_pushpin\">\t\t<IconStyle>\t\t\t<Icon>\t\t\t\t<href>%s</href>"
        "\t\t\t</Icon>\t\t</IconStyle>\t</Style>"
        "\t<Style id=\"blue_pushpin\">\t\t<IconStyle>\t\t\t<Icon>\t\t\t\t<href>%s</href>"
        "\t\t\t</Icon>\t\t</IconStyle>\t</Style>"
        "\t<Folder>\t\t<Placemark>\t\t\t<visibility>1</visibility>\t\t\t<name></name>"
        "\t\t\t<ExtendedData>%s</ExtendedData>"
        "\t\t\t<Style>\t\t\t\t<geomScale>10</geomScale>\t\t\t\t<geomColor>ff0045ff</geomColor>"
        "\t\t\t</Style>"
        "\t\t\t<LineString>\t\t\t\t<coordinates/>\t\t\t</LineString>\t\t</Placemark>\t</Folder>"
        "\t</Document></kml>";
    const CalendarFields s = TimeToLocalCalendar(log.start_time);
    const CalendarFields e =
        TimeToLocalCalendar(log.fixes.empty() ? log.start_time : log.fixes.back().time);
    const std::string summary =
        Sprintf(MessageText(MsgKmlTrackSummary), s.year, s.month, s.day, s.hour, s.minute, s.second,
                e.year, e.month, e.day, e.hour, e.minute, e.second, log.interval);
    const std::string text = Sprintf(head, icons.blueDot.c_str(), icons.yellowPushpin.c_str(),
                                     icons.bluePushpin.c_str(), summary.c_str());
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str(), pugi::parse_default | pugi::parse_declaration));
    const pugi::xml_node root = document.document_element();
    root.select_node("//name").node().text().set(trackName.c_str());

    std::string coordinates;
    for (const GpsFix& f : log.fixes) {
        coordinates += Sprintf("%lf,%lf,%d\n", f.longitude, f.latitude, f.altitude);
    }
    if (!coordinates.empty()) {
        root.select_node("//coordinates").node().text().set(coordinates.c_str());
    } else {
        root.select_node("//Placemark").node().remove_child("LineString");
    }

    pugi::xml_node folder = root.child("Document").child("Folder");
    for (std::size_t i = 0; i < log.fixes.size(); ++i) {
        const GpsFix& f = log.fixes[i];
        const LocalTime begin = TimeToLocalTime(f.time);
        const LocalTime end = TimeToLocalTime(f.time + log.interval);
        const CalendarFields& b = begin.fields;
        const CalendarFields& n = end.fields;
        char beginSuffix[8];
        char endSuffix[8];
        ZoneSuffix(begin.utcOffsetSeconds, beginSuffix);
        ZoneSuffix(end.utcOffsetSeconds, endSuffix);
        const std::string detail =
            f.speed >= 10.0
                ? Sprintf(MessageText(MsgKmlPointDetailWithHeading), f.speed, f.direction, b.year,
                          b.month, b.day, b.hour, b.minute, b.second, f.latitude, f.longitude)
                : Sprintf(MessageText(MsgKmlPointDetail), f.speed, b.year, b.month, b.day, b.hour,
                          b.minute, b.second, f.latitude, f.longitude);
        const char* style = f.mark    ? "<styleUrl>#blue_dot</styleUrl>"
                            : f.valid ? "<styleUrl>#ylw_pushpin</styleUrl>"
                                      : "<styleUrl>#blue_pushpin</styleUrl>";
        const int visibility =
            f.mark ? 1 : (i % static_cast<std::size_t>(60 / log.interval) == 0 ? 1 : 0);
        const std::string placemark = Sprintf(
            "<Placemark>  <visibility>%d</visibility>  <name>%s</name>  <LookAt>    "
            "<longitude>%.6f</longitude>    <latitude>%.6f</latitude>    <altitude>%d</altitude>"
            "    <range>232.0314620165034</range>    <tilt>0.0009915095047460121</tilt>    "
            "<heading>%d</heading>  </LookAt>  <TimeSpan>    "
            "<begin>%04d-%02d-%02dT%02d:%02d:%02d%s</begin>    "
            "<end>%04d-%02d-%02dT%02d:%02d:%02d%s</end>  </TimeSpan>  %s  <Point>    "
            "<coordinates>%.6f,%.6f,%d</coordinates>  </Point>  "
            "<ExtendedData>%s</ExtendedData></Placemark>",
            visibility,
            Sprintf(MessageText(MsgDateTimeFormat), b.year, b.month, b.day, b.hour, b.minute,
                    b.second)
                .c_str(),
            f.longitude, f.latitude, f.altitude, HasCourse(f) ? static_cast<int>(f.direction) : 0,
            b.year, b.month, b.day, b.hour, b.minute, b.second, beginSuffix, n.year, n.month, n.day,
            n.hour, n.minute, n.second, endSuffix, style, f.longitude, f.latitude, f.altitude,
            detail.c_str());
        pugi::xml_document parser;
        EXPECT_TRUE(parser.load_string(placemark.c_str()));
        folder.append_copy(parser.document_element());
    }
    std::ostringstream saved;
    document.save(saved, "", pugi::format_raw | pugi::format_write_bom, pugi::encoding_utf16_le);
    const std::string bytes = saved.str();
    return {bytes.begin(), bytes.end()};
}

TEST(KmlDomEquivalence, StreamedBytesEqualTheDomDocument) {
    struct Case {
        const char* zone;
        uint16_t language;
        uint32_t fixes;
        uint16_t interval;
        const char* trackName;
    };
    const Case cases[] = {
        {"Asia/Tokyo", kLangIdEnglishUs, 400, 1, "0601.LOG.kml Path"},
        {"America/New_York", kLangIdJapanese, 150, 7, "a&b<c>.LOG.kml 経路"},
        {"UTC", kLangIdEnglishUs, 0, 5, "empty.LOG.kml Path"},
        // Non-ASCII in the name and in every placemark, over several output buffers: the
        // ASCII fast path and the full decoder take turns thousands of times.
        {"Asia/Tokyo", kLangIdJapanese, 1500, 1, "東京→大阪 𝄞 ﾛｸﾞ.LOG.kml 経路"},
    };
    for (const Case& c : cases) {
        test::ScopedTimeZone zone(c.zone);
        test::ScopedLanguage language(c.language);
        const std::vector<uint8_t> bytes = MakeSyntheticTrip(11, c.fixes, c.interval);
        GpsLog log;
        ASSERT_EQ(ReadGpsLog(log, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
        OfflineIconReachability offline;
        const KmlIcons icons = ChooseIcons(offline);

        std::string error;
        const auto image = GpsLogImage::Open(bytes, error);
        ASSERT_TRUE(image);
        test::MemorySink sink;
        KmlStream out(sink);
        WriteKmlDocument(*image, c.trackName, icons, out);
        ASSERT_TRUE(out.Finish(error));

        const std::vector<uint8_t> expected = KmlByDom(log, c.trackName, icons);
        ASSERT_EQ(sink.bytes().size(), expected.size()) << c.zone;
        EXPECT_TRUE(sink.bytes() == expected) << c.zone;
    }
}

}  // namespace
}  // namespace kvd
