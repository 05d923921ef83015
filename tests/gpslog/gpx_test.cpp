// GPX output: its content on small logs, and what GDAL and gpsbabel read back from it compared
// with the KML of the same log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>

#include "common/text_sink.h"
#include "gpslog/gpslog.h"
#include "gpslog/gpx_document.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::GpxTextOf;
using test::HeaderAt;
using test::Invalid;
using test::Quote;
using test::RunCommand;
using test::Valid;

// One point as the readers report it: degrees and UTC seconds since the epoch.
struct TrackPoint {
    double latitude;
    double longitude;
    int64_t time;
};

int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    // Days from civil (proleptic Gregorian), so the test needs no time zone of its own.
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = int64_t{era} * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

// "2015-06-24T15:59:59+09:00" or "...Z" as UTC seconds.
int64_t ParseXmlTime(const std::string& text) {
    int y, mo, d, h, mi, s;
    char zone[8] = {};
    EXPECT_EQ(std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%7s", &y, &mo, &d, &h, &mi, &s, zone), 7)
        << text;
    int offset = 0;
    if (zone[0] == '+' || zone[0] == '-') {
        offset = ((zone[1] - '0') * 10 + (zone[2] - '0')) * 3600 +
                 ((zone[4] - '0') * 10 + (zone[5] - '0')) * 60;
        if (zone[0] == '-') offset = -offset;
    }
    return UtcSeconds(y, mo, d, h, mi, s) - offset;
}

// The KML's placemarks of fixes with a position of their own, not the repeats that stand for
// blocks without one.
std::vector<TrackPoint> ValidPointsOfKml(const std::filesystem::path& kml, const GpsLog& log) {
    test::ParsedKml parsed;
    test::Parse(test::DecodeUtf16Le(test::ReadBytes(kml)), parsed);
    EXPECT_EQ(parsed.placemarks.size(), log.fixes.size() + 1);
    std::vector<TrackPoint> points;
    for (std::size_t k = 0; k < log.fixes.size(); ++k) {
        if (log.fixes[k].valid == 0) continue;
        const pugi::xml_node p = parsed.Fix(k);
        TrackPoint point{};
        std::sscanf(p.child("Point").child_value("coordinates"), "%lf,%lf", &point.longitude,
                    &point.latitude);
        point.time = ParseXmlTime(p.child("TimeSpan").child_value("begin"));
        points.push_back(point);
    }
    return points;
}

void ExpectSamePoints(const std::vector<TrackPoint>& read, const std::vector<TrackPoint>& kml,
                      const char* reader) {
    ASSERT_EQ(read.size(), kml.size()) << reader;
    for (std::size_t k = 0; k < kml.size(); ++k) {
        EXPECT_NEAR(read[k].latitude, kml[k].latitude, 1e-9) << reader << " point " << k;
        EXPECT_NEAR(read[k].longitude, kml[k].longitude, 1e-9) << reader << " point " << k;
        EXPECT_EQ(read[k].time, kml[k].time) << reader << " point " << k;
    }
}

class GpxReaders : public ::testing::Test {
  protected:
    void SetUp() override {
        // A trip with marks, one of them followed by blocks without a position that repeat it.
        SyntheticTrip trip = MakeSyntheticTripBlocks(5, 400, 1);
        std::size_t marked = 0;
        for (std::size_t k = 100; k < trip.fixes.size() && marked < 3; k += 50) {
            if (trip.fixes[k].valid == 0) continue;
            trip.fixes[k].mark = 1;
            ++marked;
            trip.fixes[k + 1] = Invalid();
            trip.fixes[k + 2] = Invalid();
        }
        ASSERT_EQ(marked, 3u);
        marks_ = marked;
        const std::vector<uint8_t> bytes = EncodeLog(trip.header, trip.fixes);
        OfflineIconReachability offline;
        const FileConversion kml = ConvertLogToKmlFile(bytes, dir_.str(), kName, offline);
        ASSERT_TRUE(kml.Succeeded()) << kml.error;
        GpsLog log;
        ASSERT_EQ(ReadGpsLog(log, bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
        kmlPoints_ = ValidPointsOfKml(kml.path, log);
        ASSERT_GT(kmlPoints_.size(), 300u);
        const FileConversion gpx = ConvertLogToGpxFile(bytes, dir_.str(), kName);
        ASSERT_TRUE(gpx.Succeeded()) << gpx.error;
        ASSERT_EQ(gpx.path, dir_.path() / (std::string(kName) + ".gpx"));
        gpx_ = gpx.path.string();
    }

    static constexpr const char* kName = "a&b <ü>.LOG";
    test::ScopedTimeZone zone_{"Asia/Tokyo"};
    test::TempDir dir_;
    std::vector<TrackPoint> kmlPoints_;
    std::size_t marks_ = 0;
    std::string gpx_;
};

TEST_F(GpxReaders, GpsbabelReadsTheKmlPositionsAndTimes) {
    const test::CommandResult run = RunCommand("TZ=UTC gpsbabel -t -i gpx -f " + Quote(gpx_) +
                                               " -o unicsv -F -");  // unicsv prints local time
    ASSERT_EQ(run.exitCode, 0) << run.output.substr(0, 2000);
    std::istringstream lines(run.output);
    std::string line;
    std::getline(lines, line);
    ASSERT_EQ(line, "No,Latitude,Longitude,Date,Time\r") << run.output.substr(0, 2000);
    ASSERT_NE(line, "No,Latitude,Longitude,Date,Time") << run.output.substr(0, 2000);
    std::vector<TrackPoint> read;
    while (std::getline(lines, line)) {
        int no, y, mo, d, h, mi, s;
        TrackPoint p{};
        // Anything else on the output (a warning) fails the test here.
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%d/%d/%d,%d:%d:%d", &no, &p.latitude,
                              &p.longitude, &y, &mo, &d, &h, &mi, &s),
                  9)
            << line;
        p.time = UtcSeconds(y, mo, d, h, mi, s);
        read.push_back(p);
    }
    ExpectSamePoints(read, kmlPoints_, "gpsbabel");

    const test::CommandResult waypoints =
        RunCommand("gpsbabel -i gpx -f " + Quote(gpx_) + " -o unicsv -F -");
    ASSERT_EQ(waypoints.exitCode, 0) << waypoints.output;
    EXPECT_EQ(std::count(waypoints.output.begin(), waypoints.output.end(), '\n'), marks_ + 1)
        << waypoints.output;
}

TEST_F(GpxReaders, OgrinfoReadsTheKmlPositionsTimesAndTheExtension) {
    const test::CommandResult run = RunCommand("ogrinfo -ro -al --config GPX_USE_EXTENSIONS YES " +
                                               Quote(gpx_) + " track_points");
    ASSERT_EQ(run.exitCode, 0) << run.output.substr(0, 2000);
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos) << run.output.substr(0, 2000);
    EXPECT_EQ(run.output.find("Warning"), std::string::npos) << run.output.substr(0, 2000);
    const std::regex feature(
        R"(time \(DateTime\) = (\d+)/(\d+)/(\d+) (\d+):(\d+):(\d+)\+00\n.*\n  POINT \(([0-9.]+) ([0-9.]+)\))");
    std::vector<TrackPoint> read;
    for (std::sregex_iterator m(run.output.begin(), run.output.end(), feature), end; m != end;
         ++m) {
        const std::smatch& f = *m;
        read.push_back({std::stod(f[8]), std::stod(f[7]),
                        UtcSeconds(std::stoi(f[1]), std::stoi(f[2]), std::stoi(f[3]),
                                   std::stoi(f[4]), std::stoi(f[5]), std::stoi(f[6]))});
    }
    ExpectSamePoints(read, kmlPoints_, "ogrinfo");
    EXPECT_NE(run.output.find("gpxtpx_TrackPointExtension (String) = <gpxtpx:speed>"),
              std::string::npos);

    const test::CommandResult summary = RunCommand("ogrinfo -ro -so " + Quote(gpx_) + " waypoints");
    EXPECT_NE(summary.output.find("Feature Count: " + std::to_string(marks_)), std::string::npos)
        << summary.output;
}

TEST_F(GpxReaders, XmllintFindsItWellFormedAndNamesEscaped) {
    const test::CommandResult lint = RunCommand("xmllint --noout " + Quote(gpx_));
    EXPECT_EQ(lint.exitCode, 0) << lint.output;
    const std::string text = test::ReadText(gpx_);
    EXPECT_NE(text.find("<trk><name>a&amp;b &lt;ü&gt;.LOG</name>"), std::string::npos);
}

// Small logs whose GPX shows one rule each.
TEST(GpxDocument, PointsWaypointsTimesAndUnits) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    struct Case {
        const char* what;
        LogHeader header;
        std::vector<FixBlock> fixes;
        std::vector<std::string> trackPoints;  // "lat lon time speed course"
        std::vector<std::string> waypoints;    // "lat lon time name"
    };
    const Case cases[] = {
        {"no fix at all", HeaderAt(2015, 6, 1, 9, 0, 0, 1), {}, {}, {}},
        {"blocks without a position are left out, their repeated mark too",
         HeaderAt(2015, 6, 1, 9, 0, 0, 2),
         {Invalid(), Valid(35000000, 139000000, 0, 0, 1), Invalid(), Invalid(),
          Valid(35000100, 139000100)},
         {"35.000000 139.000000 2015-06-01T00:00:00Z 0.000 0.0",
          "35.000100 139.000100 2015-06-01T00:00:06Z 0.000 0.0"},
         {"35.000000 139.000000 2015-06-01T00:00:00Z 2015/06/01 09:00:00"}},
        {"km/h become m/s; the course is in degrees",
         HeaderAt(2015, 6, 1, 9, 0, 0, 1),
         {Valid(35681236, 139767125, 3600, 3599), Valid(35681236, 139767125, 1, 5)},
         {"35.681236 139.767125 2015-06-01T00:00:00Z 10.000 359.9",
          "35.681236 139.767125 2015-06-01T00:00:01Z 0.003 0.5"},
         {}},
        {"UTC crosses midnight and the year while local time does not",
         HeaderAt(2014, 1, 1, 8, 59, 59, 1),
         {Valid(1, 2), Valid(3, 4, 0, 0, 7)},
         {"0.000001 0.000002 2013-12-31T23:59:59Z 0.000 0.0",
          "0.000003 0.000004 2014-01-01T00:00:00Z 0.000 0.0"},
         {"0.000003 0.000004 2014-01-01T00:00:00Z 2014/01/01 09:00:00"}},
    };
    for (const Case& c : cases) {
        const std::string text = GpxTextOf(EncodeLog(c.header, c.fixes));
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(text.c_str())) << c.what;
        const pugi::xml_node gpx = document.child("gpx");
        EXPECT_STREQ(gpx.attribute("version").value(), "1.1") << c.what;
        std::vector<std::string> points;
        for (const pugi::xpath_node& node : gpx.select_nodes("trk/trkseg/trkpt")) {
            const pugi::xml_node p = node.node();
            const pugi::xml_node ext = p.child("extensions").child("gpxtpx:TrackPointExtension");
            points.push_back(std::string(p.attribute("lat").value()) + " " +
                             p.attribute("lon").value() + " " + p.child_value("time") + " " +
                             ext.child_value("gpxtpx:speed") + " " +
                             ext.child_value("gpxtpx:course"));
        }
        EXPECT_EQ(points, c.trackPoints) << c.what;
        std::vector<std::string> waypoints;
        for (pugi::xml_node w : gpx.children("wpt")) {
            waypoints.push_back(std::string(w.attribute("lat").value()) + " " +
                                w.attribute("lon").value() + " " + w.child_value("time") + " " +
                                w.child_value("name"));
        }
        EXPECT_EQ(waypoints, c.waypoints) << c.what;
        // GPX puts waypoints before tracks.
        EXPECT_STREQ(gpx.last_child().name(), "trk") << c.what;
    }
}

// The points of each track segment, in order.
std::vector<std::size_t> SegmentSizes(const std::string& gpxText) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(gpxText.c_str()));
    std::vector<std::size_t> sizes;
    for (pugi::xml_node segment : document.child("gpx").child("trk").children("trkseg")) {
        const auto points = segment.children("trkpt");
        sizes.push_back(static_cast<std::size_t>(std::distance(points.begin(), points.end())));
    }
    return sizes;
}

// How many segments a reader's GPX output has, and ogrinfo's highest track_seg_id.
std::size_t SegmentsGpsbabelWrites(const std::string& gpx) {
    const test::CommandResult run =
        RunCommand("gpsbabel -t -i gpx -f " + Quote(gpx) + " -o gpx -F -");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::size_t count = 0;
    for (std::size_t at = run.output.find("<trkseg>"); at != std::string::npos;
         at = run.output.find("<trkseg>", at + 1)) {
        ++count;
    }
    return count;
}

int OgrinfoLastSegmentId(const std::string& gpx) {
    const test::CommandResult run = RunCommand("ogrinfo -ro -al " + Quote(gpx) + " track_points");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("ERROR"), std::string::npos) << run.output;
    const std::regex id(R"(track_seg_id \(Integer\) = (\d+))");
    int last = -1;
    for (std::sregex_iterator m(run.output.begin(), run.output.end(), id), end; m != end; ++m) {
        last = std::max(last, std::stoi((*m)[1]));
    }
    return last;
}

// A lost signal starts a new segment; the KML keeps its one line (its golden files show it).
TEST(GpxSegments, ANewSegmentWhereTheSignalWasLost) {
    test::ScopedTimeZone zone("UTC");
    const FixBlock a = Valid(35000000, 139000000);
    const FixBlock b = Valid(35001000, 139001000);
    const FixBlock outOfRange = Valid(90000001, 139000000);  // flagged valid, yet no position
    struct Case {
        const char* what;
        uint16_t interval;
        std::vector<FixBlock> fixes;
        std::vector<std::size_t> segments;
    };
    std::vector<FixBlock> tunnel{a, a};
    tunnel.insert(tunnel.end(), 40, Invalid());  // 41 intervals without a position
    tunnel.insert(tunnel.end(), {b, b, b});
    const Case cases[] = {
        {"an unbroken trip is one segment", 5, {a, b, a, b}, {4}},
        {"a time gap of many intervals", 5, tunnel, {2, 3}},
        {"one block without a position between valid ones", 5, {a, b, Invalid(), a, b}, {2, 2}},
        {"blocks without a position, twice",
         1,
         {a, Invalid(), Invalid(), b, Invalid(), a},
         {1, 1, 1}},
        {"a block flagged valid with a latitude past 90 has no position",
         1,
         {a, outOfRange, b},
         {1, 1}},
        {"blocks before the first and after the last position open no segment",
         1,
         {Invalid(), Invalid(), a, b, Invalid(), Invalid()},
         {2}},
        {"interval 0: every fix at one second, still split where the signal was lost",
         0,
         {a, b, Invalid(), a},
         {2, 1}},
        {"no position at all keeps its one empty segment", 1, {Invalid()}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes =
            EncodeLog(HeaderAt(2015, 6, 1, 9, 0, 0, c.interval), c.fixes);
        EXPECT_EQ(SegmentSizes(GpxTextOf(bytes)), c.segments);

        test::TempDir dir;
        const FileConversion gpx = ConvertLogToGpxFile(bytes, dir.str(), "S.LOG");
        ASSERT_TRUE(gpx.Succeeded()) << gpx.error;
        const std::string path = gpx.path.string();
        const std::string schema = std::string(KVD_SCHEMA_DIR) + "/gpx-with-extension.xsd";
        const test::CommandResult valid =
            RunCommand("xmllint --noout --nonet --schema " + Quote(schema) + " " + Quote(path));
        EXPECT_EQ(valid.exitCode, 0) << valid.output;
        if (c.segments == std::vector<std::size_t>{0}) continue;  // no point for the readers
        EXPECT_EQ(SegmentsGpsbabelWrites(path), c.segments.size());
        EXPECT_EQ(OgrinfoLastSegmentId(path), static_cast<int>(c.segments.size()) - 1);
    }
}

TEST(GpxDocument, ALogWithoutFixesReadsCleanly) {
    test::ScopedTimeZone zone("UTC");
    test::TempDir dir;
    const FileConversion gpx =
        ConvertLogToGpxFile(EncodeLog(HeaderAt(2015, 6, 1, 9, 0, 0, 1), {}), dir.str(), "E.LOG");
    ASSERT_TRUE(gpx.Succeeded()) << gpx.error;
    const std::string path = Quote(gpx.path.string());
    for (const std::string& reader : {"gpsbabel -t -i gpx -f " + path + " -o unicsv -F /dev/null",
                                      "ogrinfo -ro -al " + path, "xmllint --noout " + path}) {
        const test::CommandResult run = RunCommand(reader);
        EXPECT_EQ(run.exitCode, 0) << reader << "\n" << run.output;
        std::string said = run.output;
        std::transform(said.begin(), said.end(), said.begin(), ::tolower);
        EXPECT_EQ(said.find("error"), std::string::npos) << reader << "\n" << run.output;
        EXPECT_EQ(said.find("warn"), std::string::npos) << reader << "\n" << run.output;
    }
}

TEST(GpxConversionFile, ABadLogLeavesNoFile) {
    test::TempDir dir;
    const FileConversion gpx =
        ConvertLogToGpxFile(std::vector<uint8_t>{1, 2, 3}, dir.str(), "S.LOG");
    EXPECT_FALSE(gpx.Succeeded());
    EXPECT_NE(gpx.error.find("shorter than its 16-byte header"), std::string::npos) << gpx.error;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace kvd
