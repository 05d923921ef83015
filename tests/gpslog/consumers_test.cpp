// Real readers of KML open what we write. A missing tool fails the test: these are the
// programs our users open the files with.
#include <gtest/gtest.h>

#include <regex>

#include "gpslog/gpslog.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::Quote;
using test::RunCommand;

class KmlConsumers : public ::testing::Test {
  protected:
    void SetUp() override {
        bytes_ = MakeSyntheticTrip(5, 300, 1);
        ASSERT_EQ(ReadGpsLog(log_, bytes_.data(), static_cast<uint32_t>(bytes_.size())), 1);
        ASSERT_GT(log_.fixes.size(), 250u);
        OfflineIconReachability offline;
        const FileConversion result = ConvertLogToKmlFile(bytes_, dir_.str(), "a&b.LOG", offline);
        ASSERT_TRUE(result.Succeeded()) << result.error;
        kml_ = result.path.string();
    }

    std::string FirstCoordinates(int decimals) const {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f %.*f", decimals, log_.fixes[0].longitude, decimals,
                      log_.fixes[0].latitude);
        return text;
    }

    test::ScopedTimeZone zone_{"Asia/Tokyo"};
    test::TempDir dir_;
    std::vector<uint8_t> bytes_;
    GpsLog log_;
    std::string kml_;
};

TEST_F(KmlConsumers, XmllintFindsItWellFormed) {
    const test::CommandResult lint = RunCommand("xmllint --noout " + Quote(kml_));
    EXPECT_EQ(lint.exitCode, 0) << lint.output;
}

TEST_F(KmlConsumers, OgrinfoSeesTheTrackAndEveryFix) {
    const test::CommandResult summary = RunCommand("ogrinfo -ro -al -so " + Quote(kml_));
    ASSERT_EQ(summary.exitCode, 0) << summary.output;
    EXPECT_NE(summary.output.find("Feature Count: " + std::to_string(log_.fixes.size() + 1)),
              std::string::npos)
        << summary.output;

    const test::CommandResult all = RunCommand("ogrinfo -ro -al " + Quote(kml_));
    ASSERT_EQ(all.exitCode, 0) << all.output.substr(0, 2000);
    const std::string first = FirstCoordinates(6);
    // GDAL drops trailing zeros; compare numbers through a pattern of the first point.
    std::smatch line;
    ASSERT_TRUE(std::regex_search(all.output, line,
                                  std::regex(R"(LINESTRING Z \(([0-9.]+) ([0-9.]+) 0,)")));
    EXPECT_NEAR(std::stod(line[1]), log_.fixes[0].longitude, 1e-9);
    EXPECT_NEAR(std::stod(line[2]), log_.fixes[0].latitude, 1e-9);
    std::smatch point;
    ASSERT_TRUE(
        std::regex_search(all.output, point, std::regex(R"(POINT Z \(([0-9.]+) ([0-9.]+) 0\))")));
    EXPECT_NEAR(std::stod(point[1]), log_.fixes[0].longitude, 1e-9) << first;
    EXPECT_NEAR(std::stod(point[2]), log_.fixes[0].latitude, 1e-9) << first;
}

TEST_F(KmlConsumers, GpsbabelReadsPointsAndTrack) {
    const std::string gpx = (dir_.path() / "out.gpx").string();
    const test::CommandResult run =
        RunCommand("gpsbabel -i kml -f " + Quote(kml_) + " -o gpx -F " + Quote(gpx));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string text = test::ReadText(gpx);
    auto count = [&](const std::string& tag) {
        std::size_t n = 0;
        for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<wpt "), log_.fixes.size());
    EXPECT_EQ(count("<trkpt "), log_.fixes.size());
    char first[96];
    std::snprintf(first, sizeof first, "lat=\"%.9f\" lon=\"%.9f\"", log_.fixes[0].latitude,
                  log_.fixes[0].longitude);
    EXPECT_NE(text.find(std::string("<wpt ") + first), std::string::npos) << first;
    EXPECT_NE(text.find(std::string("<trkpt ") + first), std::string::npos) << first;
}

// The KMZ of a log holds its KML file byte for byte, and readers open it as they open the KML.
class KmzConsumers : public KmlConsumers {
  protected:
    void SetUp() override {
        KmlConsumers::SetUp();
        OfflineIconReachability offline;
        const FileConversion result = ConvertLogToKmzFile(bytes_, dir_.str(), "a&b.LOG", offline);
        ASSERT_TRUE(result.Succeeded()) << result.error;
        kmz_ = result.path.string();
        ASSERT_EQ(result.path.filename(), "a&b.LOG.kmz");
    }

    std::string kmz_;
};

TEST_F(KmzConsumers, UnzipFindsOneDocKmlHoldingTheKmlFile) {
    const test::CommandResult check = RunCommand("unzip -t " + Quote(kmz_));
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(RunCommand("unzip -Z1 " + Quote(kmz_)).output, "doc.kml\n");
    const std::filesystem::path inside = dir_.path() / "inside.kml";
    ASSERT_EQ(
        RunCommand("unzip -p " + Quote(kmz_) + " doc.kml > " + Quote(inside.string())).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(inside), test::ReadBytes(kml_));
    // Far smaller than the UTF-16 text it holds.
    EXPECT_LT(std::filesystem::file_size(kmz_) * 10, std::filesystem::file_size(kml_));
}

TEST_F(KmzConsumers, OgrinfoReadsTheEntryAsItReadsTheKml) {
    const test::CommandResult fromKml = RunCommand("ogrinfo -ro -al " + Quote(kml_));
    const test::CommandResult fromKmz =
        RunCommand("ogrinfo -ro -al " + Quote("/vsizip/" + kmz_ + "/doc.kml"));
    ASSERT_EQ(fromKmz.exitCode, 0) << fromKmz.output.substr(0, 2000);
    EXPECT_NE(fromKmz.output.find("Feature Count: " + std::to_string(log_.fixes.size() + 1)),
              std::string::npos)
        << fromKmz.output.substr(0, 2000);
    // Every feature alike: only the file's name in the first lines differs.
    const auto features = [](const std::string& output) {
        return output.substr(output.find("Layer name:"));
    };
    EXPECT_EQ(features(fromKmz.output), features(fromKml.output));
}

TEST_F(KmzConsumers, GpsbabelReadsTheEntryAsItReadsTheKml) {
    const std::filesystem::path inside = dir_.path() / "doc.kml";
    ASSERT_EQ(RunCommand("unzip -q " + Quote(kmz_) + " -d " + Quote(dir_.str())).exitCode, 0);
    const auto toGpx = [&](const std::string& kml, const std::string& gpx) {
        const test::CommandResult run =
            RunCommand("gpsbabel -i kml -f " + Quote(kml) + " -o gpx -F " + Quote(gpx));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        // Less the time of the run, which gpsbabel writes first.
        return std::regex_replace(test::ReadText(gpx), std::regex("<time>[^<]*</time>"), "",
                                  std::regex_constants::format_first_only);
    };
    const std::string fromKmz = toGpx(inside.string(), (dir_.path() / "kmz.gpx").string());
    EXPECT_NE(fromKmz.find("<trkpt "), std::string::npos);
    EXPECT_EQ(fromKmz, toGpx(kml_, (dir_.path() / "kml.gpx").string()));
}

// A log without any position still opens cleanly, and no reader invents a point for it.
TEST(KmlConsumersWithoutFix, ReadWithoutErrorsOrWarnings) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    const LogHeader header = test::HeaderAt(2013, 6, 1, 12, 0, 0, 1);
    const std::vector<FixBlock> noBlocks;
    const std::vector<FixBlock> noPositions = {test::Invalid(), test::Valid(4000000000u, 1),
                                               test::Valid(1, 200000000)};
    for (const auto* blocks : {&noBlocks, &noPositions}) {
        test::TempDir dir;
        OfflineIconReachability offline;
        const FileConversion result =
            ConvertLogToKmlFile(EncodeLog(header, *blocks), dir.str(), "empty.LOG", offline);
        ASSERT_TRUE(result.Succeeded()) << result.error;
        const std::string kml = Quote(result.path.string());

        const test::CommandResult ogr = RunCommand("ogrinfo -ro -al " + kml);
        EXPECT_EQ(ogr.exitCode, 0) << ogr.output;
        EXPECT_NE(ogr.output.find("Feature Count: 1"), std::string::npos) << ogr.output;
        for (const char* complaint : {"ERROR", "Warning", "malformed"})
            EXPECT_EQ(ogr.output.find(complaint), std::string::npos) << ogr.output;

        const std::string gpx = (dir.path() / "out.gpx").string();
        const test::CommandResult babel =
            RunCommand("gpsbabel -i kml -f " + kml + " -o gpx -F " + Quote(gpx));
        EXPECT_EQ(babel.exitCode, 0);
        EXPECT_EQ(babel.output, "");  // nothing on either stream
        const std::string text = test::ReadText(gpx);
        EXPECT_EQ(text.find("<trkpt"), std::string::npos) << text;
        EXPECT_EQ(text.find("<wpt"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kvd
