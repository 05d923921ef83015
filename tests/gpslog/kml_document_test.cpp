#include <gtest/gtest.h>

#include <set>

#include "gpslog/gpslog.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::HeaderAt;
using test::Invalid;
using test::Valid;

class KmlDocument : public ::testing::Test {
  protected:
    test::ScopedTimeZone zone_{"Asia/Tokyo"};
    test::ScopedLanguage language_{kLangIdEnglishUs};
};

TEST_F(KmlDocument, FixTimesCarryTheZoneOffsetOfTheirInstant) {
    struct Case {
        const char* zone;
        uint8_t month;
        const char* name;
        const char* begin;
        const char* end;
    };
    const Case cases[] = {
        {"Asia/Tokyo", 6, "2013/06/01 12:00:00", "2013-06-01T12:00:00+09:00",
         "2013-06-01T12:00:05+09:00"},
        {"UTC", 6, "2013/06/01 12:00:00", "2013-06-01T12:00:00Z", "2013-06-01T12:00:05Z"},
        // Daylight saving in the clock time and in the suffix alike.
        {"America/New_York", 7, "2013/07/01 12:00:00", "2013-07-01T12:00:00-04:00",
         "2013-07-01T12:00:05-04:00"},
    };
    for (const Case& c : cases) {
        test::ScopedTimeZone zone(c.zone);
        test::ParsedKml kml;
        test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(2013, c.month, 1, 12, 0, 0, 5),
                                              std::vector{Valid(35681236, 139767125)})),
                    kml);
        ASSERT_EQ(kml.placemarks.size(), 2u);
        const pugi::xml_node fix = kml.Fix(0);
        EXPECT_STREQ(fix.child_value("name"), c.name) << c.zone;
        EXPECT_STREQ(fix.child("TimeSpan").child_value("begin"), c.begin) << c.zone;
        EXPECT_STREQ(fix.child("TimeSpan").child_value("end"), c.end) << c.zone;
    }
}

TEST_F(KmlDocument, VisibilityEveryMinuteOfFixesOrByMark) {
    struct Case {
        uint16_t interval;
        std::size_t fixes;
        std::set<std::size_t> visible;
    };
    auto every = [](std::size_t step, std::size_t count) {
        std::set<std::size_t> indexes;
        for (std::size_t i = 0; i < count; i += step) indexes.insert(i);
        return indexes;
    };
    const Case cases[] = {
        {1, 125, {0, 60, 120}},
        {5, 30, every(12, 30)},
        {7, 20, every(8, 20)},
        {60, 5, every(1, 5)},
        // Without a period the rule would divide by zero: every fix is shown.
        {0, 5, every(1, 5)},
        {61, 5, every(1, 5)},
        {3600, 5, every(1, 5)},
    };
    for (const Case& c : cases) {
        const std::vector<FixBlock> blocks(c.fixes, Valid(35681236, 139767125));
        test::ParsedKml kml;
        test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, c.interval), blocks)),
                    kml);
        ASSERT_EQ(kml.placemarks.size(), c.fixes + 1);
        std::set<std::size_t> visible;
        for (std::size_t i = 0; i < c.fixes; ++i) {
            if (std::string(kml.Fix(i).child_value("visibility")) == "1") visible.insert(i);
        }
        EXPECT_EQ(visible, c.visible) << "interval " << c.interval;
    }
    EXPECT_EQ(FixVisibility(2, 1, 1), 1);
    EXPECT_EQ(FixVisibility(255, 7, 0), 1);
}

TEST_F(KmlDocument, StyleByMarkThenValidity) {
    const std::vector<FixBlock> blocks = {
        Valid(35000001, 139000001, 0, 0, 1),  // marked
        Valid(35000002, 139000002),           // plain
        Invalid(),                            // repeat of a plain fix
        Valid(35000003, 139000003, 0, 0, 2),  // marked with 2
        Invalid(),                            // repeat of a marked fix keeps its mark
    };
    struct Expected {
        const char* style;
        const char* visibility;
        const char* point;
    };
    const Expected expected[] = {
        {"#blue_dot", "1", "139.000001,35.000001,0"},
        {"#ylw_pushpin", "0", "139.000002,35.000002,0"},
        {"#blue_pushpin", "0", "139.000002,35.000002,0"},
        {"#blue_dot", "1", "139.000003,35.000003,0"},
        {"#blue_dot", "1", "139.000003,35.000003,0"},
    };
    test::ParsedKml kml;
    test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), blocks)), kml);
    ASSERT_EQ(kml.placemarks.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        const pugi::xml_node fix = kml.Fix(i);
        EXPECT_STREQ(fix.child_value("styleUrl"), expected[i].style) << i;
        EXPECT_STREQ(fix.child_value("visibility"), expected[i].visibility) << i;
        EXPECT_STREQ(fix.child("Point").child_value("coordinates"), expected[i].point) << i;
    }
}

TEST_F(KmlDocument, DetailShowsDirectionFromSpeedTen) {
    struct Case {
        uint16_t language;
        uint16_t speed;
        const char* rows;
    };
    const Case cases[] = {
        {kLangIdEnglishUs, 1000,
         "Velocity=10.00;Direction=359.9;Time=2013/06/01 12:00:00;Latitude=35.681236;"
         "Longitude=139.767125;"},
        {kLangIdEnglishUs, 999,
         "Velocity=9.99;Time=2013/06/01 12:00:00;Latitude=35.681236;Longitude=139.767125;"},
        {kLangIdJapanese, 1000,
         "速度=10.00;進行方向=359.9;時刻=2013/06/01 12:00:00;緯度=35.681236;経度=139.767125;"},
        {kLangIdJapanese, 999,
         "速度=9.99;時刻=2013/06/01 12:00:00;緯度=35.681236;経度=139.767125;"},
    };
    for (const Case& c : cases) {
        test::ScopedLanguage language(c.language);
        test::ParsedKml kml;
        test::Parse(
            test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1),
                                      std::vector{Valid(35681236, 139767125, c.speed, 3599)})),
            kml);
        ASSERT_EQ(kml.placemarks.size(), 2u);
        EXPECT_EQ(test::DataRows(kml.Fix(0).child("ExtendedData")), c.rows);
        EXPECT_STREQ(kml.Fix(0).child("LookAt").child_value("heading"), "359");
    }
}

TEST_F(KmlDocument, TrackSummaryIsNotZeroPadded) {
    struct Case {
        uint16_t language;
        const char* name;
        const char* rows;
    };
    const Case cases[] = {
        {kLangIdEnglishUs, "0601.LOG.kml Path",
         "Start Time=2013/6/1\n9:5:0;End Time=2013/6/1\n9:5:14;Data Distance=7 seconds;"},
        {kLangIdJapanese, "0601.LOG.kml 経路",
         "開始時刻=2013年6月1日\n9時5分0秒;終了時刻=2013年6月1日\n9時5分14秒;データ間隔=7秒;"},
    };
    for (const Case& c : cases) {
        test::ScopedLanguage language(c.language);
        const std::vector<FixBlock> blocks = {Invalid(), Valid(1, 1), Invalid(), Valid(2, 2)};
        std::string error;
        const std::vector<uint8_t> bytes = EncodeLog(HeaderAt(2013, 6, 1, 9, 5, 0, 7), blocks);
        test::ParsedKml kml;
        test::Parse(test::KmlTextOf(bytes, TrackName("/some/folder/0601.LOG.kml")), kml);
        ASSERT_EQ(kml.placemarks.size(), 4u);
        const pugi::xml_node track = kml.placemarks[0];
        EXPECT_STREQ(track.child_value("name"), c.name);
        EXPECT_EQ(test::DataRows(track.child("ExtendedData")), c.rows);
        EXPECT_STREQ(kml.Fix(0).child_value("name"), "2013/06/01 09:05:00");
    }
}

TEST_F(KmlDocument, EmptyLogStillGivesTheWholeDocument) {
    test::ParsedKml kml;
    test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), {})), kml);
    const pugi::xml_node document = kml.document.child("kml").child("Document");
    EXPECT_STREQ(kml.document.child("kml").attribute("xmlns").value(),
                 "http://www.opengis.net/kml/2.2");
    std::vector<std::string> styles;
    for (pugi::xml_node s = document.child("Style"); s; s = s.next_sibling("Style")) {
        styles.push_back(s.attribute("id").value());
    }
    EXPECT_EQ(styles, (std::vector<std::string>{"blue_dot", "ylw_pushpin", "blue_pushpin"}));
    ASSERT_EQ(kml.placemarks.size(), 1u);
    const pugi::xml_node track = kml.placemarks[0];
    EXPECT_STREQ(track.child_value("visibility"), "1");
    EXPECT_FALSE(track.child("LineString"));  // no line rather than one without points
    EXPECT_EQ(test::DataRows(track.child("ExtendedData")),
              "Start Time=2013/6/1\n12:0:0;End Time=2013/6/1\n12:0:0;Data Distance=1 seconds;");
    EXPECT_STREQ(track.child("Style").child_value("geomScale"), "10");
    EXPECT_STREQ(track.child("Style").child_value("geomColor"), "ff0045ff");
}

TEST_F(KmlDocument, TrackComesFirstWithEveryFixInItsLine) {
    const std::vector<FixBlock> blocks = {Valid(35681236, 139767125, 1234, 3599), Invalid(),
                                          Valid(35681300, 139767200)};
    const std::string text = test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), blocks));
    test::ParsedKml kml;
    test::Parse(text, kml);
    ASSERT_EQ(kml.placemarks.size(), 4u);
    EXPECT_EQ(kml.placemarks[0], kml.placemarks[0].parent().first_child());
    EXPECT_STREQ(kml.placemarks[0].child("LineString").child_value("coordinates"),
                 "139.767125,35.681236,0\n139.767125,35.681236,0\n139.767200,35.681300,0\n");
    const pugi::xml_node lookAt = kml.Fix(0).child("LookAt");
    EXPECT_STREQ(lookAt.child_value("longitude"), "139.767125");
    EXPECT_STREQ(lookAt.child_value("latitude"), "35.681236");
    EXPECT_STREQ(lookAt.child_value("altitude"), "0");
    EXPECT_STREQ(lookAt.child_value("range"), "232.0314620165034");
    EXPECT_STREQ(lookAt.child_value("tilt"), "0.0009915095047460121");
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(kml.Fix(i).child_value("name"),
                     ("2013/06/01 12:00:0" + std::to_string(i)).c_str());
    }
}

TEST_F(KmlDocument, TheTrackEndsAtTheLastRepresentableTime) {
    // The last representable second in Tokyo: the second fix lies beyond it, and so would the
    // end of the first one's span.
    test::ParsedKml kml;
    test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(3001, 1, 1, 8, 59, 59, 1),
                                          std::vector{Valid(1, 1), Valid(2, 2)})),
                kml);
    ASSERT_EQ(kml.placemarks.size(), 2u);
    EXPECT_STREQ(kml.Fix(0).child("TimeSpan").child_value("begin"), "3001-01-01T08:59:59+09:00");
    EXPECT_STREQ(kml.Fix(0).child("TimeSpan").child_value("end"), "3001-01-01T08:59:59+09:00");
    EXPECT_STREQ(kml.placemarks[0].child("LineString").child_value("coordinates"),
                 "0.000001,0.000001,0\n");
    EXPECT_EQ(test::DataRows(kml.placemarks[0].child("ExtendedData")),
              "Start Time=3001/1/1\n8:59:59;End Time=3001/1/1\n8:59:59;Data Distance=1 seconds;");
}

TEST_F(KmlDocument, TrackNameIsEscapedText) {
    for (const char* name : {"a&b.LOG", "a<b.LOG", "x]]>y.LOG"}) {
        const std::string trackName = TrackName(std::string(name) + ".kml");
        test::ParsedKml kml;
        test::Parse(test::KmlTextOf(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), {}), trackName),
                    kml);
        ASSERT_EQ(kml.placemarks.size(), 1u);
        EXPECT_EQ(kml.placemarks[0].child_value("name"), std::string(name) + ".kml Path");
    }
}

class RecordingReachability final : public IconReachability {
  public:
    explicit RecordingReachability(bool answer) : answer_(answer) {}
    bool CanConnect(std::string_view host) override {
        asked.emplace_back(host);
        return answer_;
    }
    std::vector<std::string> asked;

  private:
    bool answer_;
};

TEST_F(KmlDocument, IconsPreferredWhenTheirServerAnswers) {
    struct Case {
        bool reachable;
        KmlIcons icons;
    };
    const std::string palette = "http://" + std::string(kPaletteIconHost);
    const std::string marker = "http://" + std::string(kMarkerIconHost);
    const Case cases[] = {
        {false,
         {marker + "/intl/en_us/mapfiles/ms/icons/blue-dot.png",
          marker + "/intl/en_us/mapfiles/ms/icons/ylw-pushpin.png",
          marker + "/intl/en_us/mapfiles/ms/icons/blue-pushpin.png"}},
        {true,
         {marker + "/intl/en_us/mapfiles/ms/icons/info.png",
          palette + "/mapfiles/kml/pal4/icon24.png", palette + "/mapfiles/kml/pal4/icon25.png"}},
    };
    for (const Case& c : cases) {
        RecordingReachability recorder(c.reachable);
        const KmlIcons icons = ChooseIcons(recorder);
        EXPECT_EQ(icons.blueDot, c.icons.blueDot);
        EXPECT_EQ(icons.yellowPushpin, c.icons.yellowPushpin);
        EXPECT_EQ(icons.bluePushpin, c.icons.bluePushpin);
        // Checked in the order blue pin, yellow pin, blue dot.
        EXPECT_EQ(recorder.asked, (std::vector<std::string>{std::string(kPaletteIconHost),
                                                            std::string(kPaletteIconHost),
                                                            std::string(kMarkerIconHost)}));
    }
}

TEST(IconReachability, EachHostAskedOncePerCache) {
    RecordingReachability recorder(true);
    CachedIconReachability cached(recorder);
    for (const char* host : {"a.example", "b.example", "a.example", "b.example", "a.example"}) {
        EXPECT_TRUE(cached.CanConnect(host));
    }
    EXPECT_EQ(recorder.asked, (std::vector<std::string>{"a.example", "b.example"}));
}

}  // namespace
}  // namespace kvd
