#include <gtest/gtest.h>

#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"
#include "gpslog/local_time.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::HeaderAt;
using test::Invalid;
using test::Valid;

constexpr int64_t kNoonTokyo = 1370055600;  // 2013-06-01 12:00:00 +09:00

GpsLog Read(const std::vector<uint8_t>& bytes, int32_t expectedResult = 1) {
    GpsLog log;
    EXPECT_EQ(ReadGpsLog(log, bytes.data(), static_cast<uint32_t>(bytes.size())), expectedResult);
    return log;
}

class GpsLogReader : public ::testing::Test {
    test::ScopedTimeZone zone_{"Asia/Tokyo"};
};

TEST_F(GpsLogReader, HeaderOnlyGivesNoFixes) {
    const GpsLog log = Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 5), {}));
    EXPECT_TRUE(log.fixes.empty());
    EXPECT_EQ(log.start_time, kNoonTokyo);
    EXPECT_EQ(log.interval, 5);
}

TEST_F(GpsLogReader, InvalidBlocksRepeatTheLastFixAndKeepTheClock) {
    struct Case {
        const char* name;
        std::vector<FixBlock> blocks;
        std::vector<int> validFlags;      // per appended fix
        std::vector<uint32_t> latitudes;  // per appended fix, raw
    };
    const FixBlock a = Valid(35000001, 139000001, 1234, 3599, 2);
    const FixBlock b = Valid(35000002, 139000002, 50, 10, 0);
    const Case cases[] = {
        {"three valid", {a, b, a}, {1, 1, 1}, {35000001, 35000002, 35000001}},
        {"valid, invalid, invalid, valid",
         {a, Invalid(), Invalid(), b},
         {1, 0, 0, 1},
         {35000001, 35000001, 35000001, 35000002}},
        {"invalid before the first position are dropped",
         {Invalid(), Invalid(), b},
         {1},
         {35000002}},
        {"only invalid", {Invalid(), Invalid()}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GpsLog log = Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 3), c.blocks));
        ASSERT_EQ(log.fixes.size(), c.validFlags.size());
        for (std::size_t i = 0; i < log.fixes.size(); ++i) {
            const GpsFix& fix = log.fixes[i];
            EXPECT_EQ(fix.valid, c.validFlags[i]) << i;
            EXPECT_DOUBLE_EQ(fix.latitude, c.latitudes[i] / 1e6) << i;
            EXPECT_EQ(fix.time, kNoonTokyo + 3 * static_cast<int64_t>(i)) << i;
            EXPECT_EQ(fix.altitude, 0);
        }
    }
}

TEST_F(GpsLogReader, RepeatedFixCopiesEverythingButValidAndTime) {
    const GpsLog log =
        Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1),
                       std::vector{Valid(35681236, 139767125, 1234, 3599, 2), Invalid()}));
    ASSERT_EQ(log.fixes.size(), 2u);
    const GpsFix& first = log.fixes[0];
    const GpsFix& repeat = log.fixes[1];
    EXPECT_EQ(repeat.latitude, first.latitude);
    EXPECT_EQ(repeat.longitude, first.longitude);
    EXPECT_EQ(repeat.speed, first.speed);
    EXPECT_EQ(repeat.direction, first.direction);
    EXPECT_EQ(repeat.mark, 2);
    EXPECT_EQ(repeat.valid, 0);
    EXPECT_EQ(repeat.time, first.time + 1);
}

TEST_F(GpsLogReader, ScalesRawValuesWithoutSign) {
    const GpsLog log =
        Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1),
                       std::vector{Valid(35681236, 139767125, 1234, 3599, 2),
                                   FixBlock{90000000, 180000000, 65535, 65535, 255, 255}}));
    ASSERT_EQ(log.fixes.size(), 2u);
    EXPECT_DOUBLE_EQ(log.fixes[0].latitude, 35.681236);
    EXPECT_DOUBLE_EQ(log.fixes[0].longitude, 139.767125);
    EXPECT_DOUBLE_EQ(log.fixes[0].speed, 12.34);
    EXPECT_DOUBLE_EQ(log.fixes[0].direction, 359.9);
    EXPECT_EQ(log.fixes[0].mark, 2);
    EXPECT_DOUBLE_EQ(log.fixes[1].latitude, 90.0);
    EXPECT_DOUBLE_EQ(log.fixes[1].longitude, 180.0);
    EXPECT_DOUBLE_EQ(log.fixes[1].speed, 655.35);
    EXPECT_EQ(log.fixes[1].mark, 255);
    EXPECT_EQ(log.fixes[1].valid, 255);
}

// A position off the earth (the raw values carry no sign, so a large one is never negative)
// is a block without a position: it repeats the fix before it, or is dropped before the first.
TEST_F(GpsLogReader, PositionsOffTheEarthAreBlocksWithoutPosition) {
    struct Case {
        uint32_t latitude;
        uint32_t longitude;
        bool holds;
    };
    const Case cases[] = {
        {90000000, 180000000, true},     {90000001, 0, false},
        {0, 180000001, false},           {35681236, 0x80000000u, false},
        {0xFFFFFFFFu, 139767125, false}, {4000000000u, 4000000000u, false},
    };
    for (const Case& c : cases) {
        const FixBlock block = Valid(c.latitude, c.longitude, 500, 900, 1);
        EXPECT_EQ(HoldsPosition(block), c.holds) << c.latitude << " " << c.longitude;
        const auto bytes = EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1),
                                     std::vector{block, Valid(1000000, 2000000), block});
        const GpsLog log = Read(bytes);
        std::string error;
        const auto image = GpsLogImage::Open(bytes, error);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->FixCount(), log.fixes.size());
        ASSERT_EQ(log.fixes.size(), c.holds ? 3u : 2u) << c.latitude << " " << c.longitude;
        const GpsFix& last = log.fixes.back();
        EXPECT_EQ(last.valid, c.holds ? 1 : 0);
        EXPECT_LE(last.latitude, 90.0);
        EXPECT_LE(last.longitude, 180.0);
        EXPECT_EQ(image->EndTime(), log.fixes.back().time);
    }
}

TEST_F(GpsLogReader, IntervalZeroGivesEveryFixTheStartTime) {
    const GpsLog log = Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 0),
                                      std::vector{Valid(1, 1), Valid(2, 2), Invalid()}));
    ASSERT_EQ(log.fixes.size(), 3u);
    for (const GpsFix& fix : log.fixes) EXPECT_EQ(fix.time, kNoonTokyo);
}

TEST_F(GpsLogReader, ShortFilesAndPartialBlocks) {
    const std::vector<uint8_t> twoFixes =
        EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), std::vector{Valid(1, 1), Valid(2, 2)});
    // Shorter than the header: nothing to read, rejected.
    for (std::size_t length : {0u, 1u, 15u}) {
        GpsLog log;
        EXPECT_EQ(ReadGpsLog(log, twoFixes.data(), static_cast<uint32_t>(length)), 0) << length;
    }
    GpsLog none;
    EXPECT_EQ(ReadGpsLog(none, nullptr, 0), 0);
    // A partial last block is ignored; the reader never looks past length.
    struct Case {
        std::size_t length;
        std::size_t fixes;
    };
    for (const Case& c :
         {Case{16, 0}, Case{17, 0}, Case{31, 0}, Case{32, 1}, Case{47, 1}, Case{48, 2}}) {
        const std::vector<uint8_t> exact(twoFixes.begin(),
                                         twoFixes.begin() + static_cast<std::ptrdiff_t>(c.length));
        GpsLog log;
        EXPECT_EQ(ReadGpsLog(log, exact.data(), static_cast<uint32_t>(exact.size())), 1);
        EXPECT_EQ(log.fixes.size(), c.fixes) << c.length;
    }
}

TEST_F(GpsLogReader, HeaderChecks) {
    struct Case {
        LogHeader header;
        bool accepted;
        const char* why;
    };
    const Case cases[] = {
        {HeaderAt(2013, 6, 1, 12, 0, 0, 1), true, "ordinary"},
        {HeaderAt(1899, 6, 1, 12, 0, 0, 1), false, "year before 1900"},
        {HeaderAt(1969, 6, 1, 12, 0, 0, 1), false, "passes the fields, before the epoch"},
        {HeaderAt(1970, 1, 1, 8, 59, 59, 1), false, "one second before the epoch in Tokyo"},
        {HeaderAt(1970, 1, 1, 9, 0, 0, 1), true, "the epoch in Tokyo"},
        {HeaderAt(3001, 1, 1, 8, 59, 59, 1), true, "the last representable second in Tokyo"},
        {HeaderAt(3001, 1, 1, 9, 0, 0, 1), false, "one second later"},
        {HeaderAt(65535, 12, 31, 23, 59, 59, 1), false, "far future"},
        {HeaderAt(2013, 0, 1, 12, 0, 0, 1), false, "month 0"},
        {HeaderAt(2013, 13, 1, 12, 0, 0, 1), false, "month 13"},
        {HeaderAt(2013, 6, 0, 12, 0, 0, 1), false, "day 0"},
        {HeaderAt(2013, 6, 32, 12, 0, 0, 1), false, "day 32"},
        {HeaderAt(2013, 4, 31, 12, 0, 0, 1), true, "31 April rolls into May"},
        {HeaderAt(2013, 6, 1, 24, 0, 0, 1), false, "hour 24"},
        {HeaderAt(2013, 6, 1, 12, 60, 0, 1), false, "minute 60"},
        {HeaderAt(2013, 6, 1, 12, 0, 60, 1), false, "second 60"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = EncodeLog(c.header, {});
        GpsLog log;
        EXPECT_EQ(ReadGpsLog(log, bytes.data(), 16), c.accepted ? 1 : 0) << c.why;
        std::string error;
        EXPECT_EQ(GpsLogImage::Open(bytes, error).has_value(), c.accepted) << c.why;
        EXPECT_EQ(error.empty(), c.accepted) << c.why << ": " << error;
    }
    GpsLog may;
    const auto april31 = EncodeLog(HeaderAt(2013, 4, 31, 12, 0, 0, 1), {});
    ASSERT_EQ(ReadGpsLog(may, april31.data(), 16), 1);
    EXPECT_EQ(TimeToLocalCalendar(may.start_time), (CalendarFields{2013, 5, 1, 12, 0, 0}));
}

// No format can say when a fix past the range was: the log ends before the first of them.
TEST_F(GpsLogReader, TheLogEndsAtTheLastRepresentableTime) {
    struct Case {
        LogHeader header;
        std::vector<FixBlock> blocks;
        std::size_t fixes;
        uint64_t leftOut;
    };
    const Case cases[] = {
        {HeaderAt(3001, 1, 1, 8, 59, 58, 1), {Valid(1, 1), Invalid(), Valid(2, 2)}, 2, 1},
        {HeaderAt(3001, 1, 1, 8, 59, 59, 0), {Valid(1, 1), Valid(2, 2)}, 2, 0},
        {HeaderAt(3001, 1, 1, 0, 0, 0, 65535), {Invalid(), Valid(1, 1), Valid(2, 2)}, 1, 1},
        {HeaderAt(2999, 1, 1, 0, 0, 0, 65535), std::vector<FixBlock>(2000, Valid(1, 1)), 963, 1037},
    };
    for (const Case& c : cases) {
        const auto bytes = EncodeLog(c.header, c.blocks);
        const GpsLog log = Read(bytes);
        std::string error;
        const auto image = GpsLogImage::Open(bytes, error);
        ASSERT_TRUE(image) << error;
        ASSERT_EQ(log.fixes.size(), c.fixes) << c.header.year;
        EXPECT_EQ(image->FixCount(), c.fixes);
        EXPECT_EQ(image->FixesPastTimeRange(), c.leftOut);
        EXPECT_LE(log.fixes.back().time, kLatestLocalTime);
        EXPECT_EQ(image->EndTime(), log.fixes.back().time);
    }
}

// What a user reads of a file that does not convert: a file that is no log says so and, for
// the usual mistakes, what it is; a log out of the range names the range in local time.
TEST_F(GpsLogReader, RejectedFilesSayWhy) {
    using namespace std::string_view_literals;  // pictures hold zero bytes
    const auto bytes = [](std::string_view text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    std::vector<uint8_t> kml = {0xFF, 0xFE};
    for (char c : std::string_view("<?xml version=\"1.0\"?><kml/>")) {
        kml.push_back(static_cast<uint8_t>(c));
        kml.push_back(0);
    }
    std::vector<uint8_t> noise(64);
    for (std::size_t k = 0; k < noise.size(); ++k) noise[k] = static_cast<uint8_t>(k * 37 + 11);
    struct Case {
        std::vector<uint8_t> file;
        const char* error;
    };
    const Case cases[] = {
        {bytes("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\"></gpx>\n"sv),
         "not a KVD-2730 log: it is XML text, such as a GPX or KML file"},
        {kml, "not a KVD-2730 log: it is XML text, such as a GPX or KML file"},
        {bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10"sv),
         "not a KVD-2730 log: it is a PNG picture"},
        {bytes("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01"sv),
         "not a KVD-2730 log: it is a JPEG picture"},
        {noise, "not a KVD-2730 log: its first 16 bytes hold no date (month 125 is not 1-12)"},
        {EncodeLog(HeaderAt(2013, 6, 1, 24, 0, 0, 1), {}),
         "not a KVD-2730 log: its first 16 bytes hold no date (hour 24 is not 0-23)"},
        {EncodeLog(HeaderAt(3001, 1, 1, 9, 0, 0, 1), {}),
         "the log's start, 3001-01-01 09:00:00, is outside the times a log can hold: "
         "1970-01-01 09:00:00 to 3001-01-01 08:59:59 local time"},
        {EncodeLog(HeaderAt(1969, 12, 31, 23, 0, 0, 1), {}),
         "the log's start, 1969-12-31 23:00:00, is outside the times a log can hold: "
         "1970-01-01 09:00:00 to 3001-01-01 08:59:59 local time"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(GpsLogImage::Open(c.file, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(GpsLogReader, TimesOfThreeFixesAtOneSecond) {
    const GpsLog log = Read(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1),
                                      std::vector{Valid(1, 1), Valid(2, 2), Valid(3, 3)}));
    ASSERT_EQ(log.fixes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TimeToLocalCalendar(log.fixes[static_cast<std::size_t>(i)].time),
                  (CalendarFields{2013, 6, 1, 12, 0, i}));
    }
}

}  // namespace
}  // namespace kvd
