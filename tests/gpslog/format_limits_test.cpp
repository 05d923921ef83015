// Logs at the limits of what KML 2.2 and GPX 1.1 can say, each converted into both formats and
// checked against a local copy of each format's schema (schemas/, read without the network).
#include <gtest/gtest.h>

#include <algorithm>

#include "gpslog/gpslog.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::HeaderAt;
using test::Invalid;
using test::Quote;
using test::RunCommand;
using test::Valid;

// xmllint's complaints about a document, or nothing when the schema finds it valid.
std::string SchemaErrors(const std::filesystem::path& document, const char* schema) {
    const std::string schemaPath = std::string(KVD_SCHEMA_DIR) + "/" + schema;
    const test::CommandResult run = RunCommand("xmllint --noout --nonet --schema " +
                                               Quote(schemaPath) + " " + Quote(document.string()));
    if (run.exitCode == 0) return {};
    return run.output.empty() ? "xmllint exited with " + std::to_string(run.exitCode) : run.output;
}

// Puts the children of node into the order of names; any other child goes last, where the
// schema still finds it.
void Reorder(pugi::xml_node node, std::initializer_list<std::string_view> names) {
    std::vector<pugi::xml_node> children(node.begin(), node.end());
    const auto rank = [&](pugi::xml_node child) {
        return std::find(names.begin(), names.end(), std::string_view(child.name())) -
               names.begin();
    };
    std::stable_sort(children.begin(), children.end(),
                     [&](pugi::xml_node a, pugi::xml_node b) { return rank(a) < rank(b); });
    for (pugi::xml_node child : children) node.append_move(child);
}

// Our KML keeps the element order of its placemarks and the track's style elements that map
// viewers have read since KML 2.0; the KML 2.2 schema orders a feature's and a view's
// elements otherwise and has no geomScale or geomColor. The copy it checks is put into the
// schema's order without those two, so that the schema judges every value we write.
std::filesystem::path KmlInSchemaOrder(const std::filesystem::path& kml) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(kml.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    for (const pugi::xpath_node& p : document.select_nodes("//Placemark")) {
        Reorder(p.node(), {"name", "visibility", "LookAt", "TimeSpan", "styleUrl", "Style",
                           "ExtendedData", "Point", "LineString"});
        for (const char* old : {"geomScale", "geomColor"})
            p.node().child("Style").remove_child(old);
    }
    for (const pugi::xpath_node& v : document.select_nodes("//LookAt")) {
        Reorder(v.node(), {"longitude", "latitude", "altitude", "heading", "tilt", "range"});
    }
    std::filesystem::path copy = kml;
    copy += ".schema-order.xml";
    EXPECT_TRUE(document.save_file(copy.c_str(), "", pugi::format_raw, pugi::encoding_utf8));
    return copy;
}

// "visibility heading longitude begin end" of each fix placemark.
std::vector<std::string> FixPlacemarks(const std::filesystem::path& kml) {
    test::ParsedKml parsed;
    test::Parse(test::DecodeUtf16Le(test::ReadBytes(kml)), parsed);
    std::vector<std::string> fixes;
    for (std::size_t k = 1; k < parsed.placemarks.size(); ++k) {
        const pugi::xml_node p = parsed.placemarks[k];
        fixes.push_back(std::string(p.child_value("visibility")) + " " +
                        p.child("LookAt").child_value("heading") + " " +
                        p.child("LookAt").child_value("longitude") + " " +
                        p.child("TimeSpan").child_value("begin") + " " +
                        p.child("TimeSpan").child_value("end"));
    }
    return fixes;
}

// "lat lon time course" of each track point, the course "-" when there is none; and how many
// waypoints there are.
std::vector<std::string> TrackPoints(const std::filesystem::path& gpx, std::size_t& waypoints) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(gpx.c_str()));
    const pugi::xml_node root = document.child("gpx");
    waypoints = static_cast<std::size_t>(
        std::distance(root.children("wpt").begin(), root.children("wpt").end()));
    std::vector<std::string> points;
    for (const pugi::xpath_node& node : root.select_nodes("trk/trkseg/trkpt")) {
        const pugi::xml_node p = node.node();
        const pugi::xml_node course =
            p.child("extensions").child("gpxtpx:TrackPointExtension").child("gpxtpx:course");
        points.push_back(std::string(p.attribute("lat").value()) + " " +
                         p.attribute("lon").value() + " " + p.child_value("time") + " " +
                         (course ? course.child_value() : "-"));
    }
    return points;
}

TEST(FormatLimits, EdgeLogsConvertIntoWhatEachSchemaAllows) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    struct EdgeLog {
        const char* what;
        LogHeader header;
        std::vector<FixBlock> fixes;
        uint64_t leftOut;                      // fixes past the time range
        std::vector<std::string> placemarks;   // KML, as FixPlacemarks
        std::vector<std::string> trackPoints;  // GPX, as TrackPoints
        std::size_t waypoints;
    };
    const FixBlock tokyo = Valid(35000000, 139000000, 1500, 100);
    const EdgeLog logs[] = {
        {"the range's last second ends the track; its span ends there too",
         HeaderAt(3001, 1, 1, 8, 59, 57, 1),
         {tokyo, tokyo, tokyo, tokyo, tokyo},
         2,
         {"1 10 139.000000 3001-01-01T08:59:57+09:00 3001-01-01T08:59:58+09:00",
          "0 10 139.000000 3001-01-01T08:59:58+09:00 3001-01-01T08:59:59+09:00",
          "0 10 139.000000 3001-01-01T08:59:59+09:00 3001-01-01T08:59:59+09:00"},
         {"35.000000 139.000000 3000-12-31T23:59:57Z 10.0",
          "35.000000 139.000000 3000-12-31T23:59:58Z 10.0",
          "35.000000 139.000000 3000-12-31T23:59:59Z 10.0"},
         0},
        {"a long interval leaves the range within the log; a mark past it is no waypoint",
         HeaderAt(3001, 1, 1, 0, 0, 0, 65535),
         {tokyo, Valid(35000000, 139000000, 0, 0, 1), tokyo},
         2,
         {"1 10 139.000000 3001-01-01T00:00:00+09:00 3001-01-01T08:59:59+09:00"},
         {"35.000000 139.000000 3000-12-31T15:00:00Z 10.0"},
         0},
        {"blocks without a position past the range are left out as well",
         HeaderAt(3001, 1, 1, 8, 59, 59, 1),
         {tokyo, Invalid(), Invalid()},
         2,
         {"1 10 139.000000 3001-01-01T08:59:59+09:00 3001-01-01T08:59:59+09:00"},
         {"35.000000 139.000000 3000-12-31T23:59:59Z 10.0"},
         0},
        {"blocks before the first position take no time",
         HeaderAt(3001, 1, 1, 8, 59, 59, 1),
         {Invalid(), Invalid(), tokyo, tokyo},
         1,
         {"1 10 139.000000 3001-01-01T08:59:59+09:00 3001-01-01T08:59:59+09:00"},
         {"35.000000 139.000000 3000-12-31T23:59:59Z 10.0"},
         0},
        {"interval 0 keeps every fix at the last second",
         HeaderAt(3001, 1, 1, 8, 59, 59, 0),
         {tokyo, tokyo},
         0,
         {"1 10 139.000000 3001-01-01T08:59:59+09:00 3001-01-01T08:59:59+09:00",
          "1 10 139.000000 3001-01-01T08:59:59+09:00 3001-01-01T08:59:59+09:00"},
         {"35.000000 139.000000 3000-12-31T23:59:59Z 10.0",
          "35.000000 139.000000 3000-12-31T23:59:59Z 10.0"},
         0},
        {"the range's first second",
         HeaderAt(1970, 1, 1, 9, 0, 0, 60),
         {tokyo},
         0,
         {"1 10 139.000000 1970-01-01T09:00:00+09:00 1970-01-01T09:01:00+09:00"},
         {"35.000000 139.000000 1970-01-01T00:00:00Z 10.0"},
         0},
        {"longitude 180 is -180 in GPX and stays 180 in KML, which allows it",
         HeaderAt(2013, 6, 1, 12, 0, 0, 60),
         {Valid(35000000, 180000000, 1500, 3599, 1)},
         0,
         {"1 359 180.000000 2013-06-01T12:00:00+09:00 2013-06-01T12:01:00+09:00"},
         {"35.000000 -180.000000 2013-06-01T03:00:00Z 359.9"},
         1},
        {"a direction of 360 or more is no course: left out of GPX, a view north in KML",
         HeaderAt(2013, 6, 1, 12, 0, 0, 60),
         {Valid(0, 0, 1500, 3600), Valid(0, 0, 0, 65535), Valid(90000000, 0, 0, 3599)},
         0,
         {"1 0 0.000000 2013-06-01T12:00:00+09:00 2013-06-01T12:01:00+09:00",
          "1 0 0.000000 2013-06-01T12:01:00+09:00 2013-06-01T12:02:00+09:00",
          "1 359 0.000000 2013-06-01T12:02:00+09:00 2013-06-01T12:03:00+09:00"},
         {"0.000000 0.000000 2013-06-01T03:00:00Z -", "0.000000 0.000000 2013-06-01T03:01:00Z -",
          "90.000000 0.000000 2013-06-01T03:02:00Z 359.9"},
         0},
        {"any mark is visibility 1, its repeat too",
         HeaderAt(2013, 6, 1, 12, 0, 0, 1),
         {Valid(1, 1, 0, 0, 2), Valid(2, 2, 0, 0, 255), Invalid(), Valid(3, 3)},
         0,
         {"1 0 0.000001 2013-06-01T12:00:00+09:00 2013-06-01T12:00:01+09:00",
          "1 0 0.000002 2013-06-01T12:00:01+09:00 2013-06-01T12:00:02+09:00",
          "1 0 0.000002 2013-06-01T12:00:02+09:00 2013-06-01T12:00:03+09:00",
          "0 0 0.000003 2013-06-01T12:00:03+09:00 2013-06-01T12:00:04+09:00"},
         {"0.000001 0.000001 2013-06-01T03:00:00Z 0.0",
          "0.000002 0.000002 2013-06-01T03:00:01Z 0.0",
          "0.000003 0.000003 2013-06-01T03:00:03Z 0.0"},
         2},
    };
    for (const EdgeLog& log : logs) {
        SCOPED_TRACE(log.what);
        test::TempDir dir;
        const std::vector<uint8_t> bytes = EncodeLog(log.header, log.fixes);
        OfflineIconReachability offline;
        const FileConversion kml = ConvertLogToKmlFile(bytes, dir.str(), "EDGE.LOG", offline);
        const FileConversion gpx = ConvertLogToGpxFile(bytes, dir.str(), "EDGE.LOG");
        ASSERT_TRUE(kml.Succeeded()) << kml.error;
        ASSERT_TRUE(gpx.Succeeded()) << gpx.error;

        EXPECT_EQ(SchemaErrors(KmlInSchemaOrder(kml.path), "ogckml22.xsd"), "");
        EXPECT_EQ(SchemaErrors(gpx.path, "gpx-with-extension.xsd"), "");

        EXPECT_EQ(FixPlacemarks(kml.path), log.placemarks);
        std::size_t waypoints = 0;
        EXPECT_EQ(TrackPoints(gpx.path, waypoints), log.trackPoints);
        EXPECT_EQ(waypoints, log.waypoints);
        for (const FileConversion* written : {&kml, &gpx}) {
            EXPECT_EQ(written->warning.empty(), log.leftOut == 0) << written->warning;
            EXPECT_TRUE(written->warning.starts_with(std::to_string(log.leftOut) + " fix") ||
                        log.leftOut == 0)
                << written->warning;
        }
    }
}

// The check itself: each schema refuses what the writers once wrote at these limits.
TEST(FormatLimits, TheSchemasRefuseTheValuesOutsideTheFormats) {
    struct Case {
        const char* schema;
        const char* document;
    };
    const std::string gpxOpen =
        "<gpx xmlns='http://www.topografix.com/GPX/1/1' version='1.1' creator='t' "
        "xmlns:gpxtpx='http://www.garmin.com/xmlschemas/TrackPointExtension/v2'>";
    const std::string kmlOpen = "<kml xmlns='http://www.opengis.net/kml/2.2'><Placemark>";
    const std::vector<Case> cases = {
        {"gpx-with-extension.xsd", "<wpt lat='0' lon='180.000000'/>"},
        {"gpx-with-extension.xsd", "<wpt lat='0' lon='0'><time>0000-00-00T00:00:00Z</time></wpt>"},
        {"gpx-with-extension.xsd",
         "<trk><trkseg><trkpt lat='0' lon='0'><extensions><gpxtpx:TrackPointExtension>"
         "<gpxtpx:course>360.0</gpxtpx:course></gpxtpx:TrackPointExtension></extensions>"
         "</trkpt></trkseg></trk>"},
        {"ogckml22.xsd", "<visibility>2</visibility>"},
        {"ogckml22.xsd", "<LookAt><heading>6553</heading></LookAt>"},
        {"ogckml22.xsd", "<TimeSpan><begin>0000-00-00T-1:-1:-1Z</begin></TimeSpan>"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        const bool gpx = std::string_view(c.schema).starts_with("gpx");
        const std::string text =
            gpx ? gpxOpen + c.document + "</gpx>" : kmlOpen + c.document + "</Placemark></kml>";
        const std::filesystem::path path = dir.path() / "doc.xml";
        test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        EXPECT_NE(SchemaErrors(path, c.schema), "") << c.document;
    }
}

}  // namespace
}  // namespace kvd
