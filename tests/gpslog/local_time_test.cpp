#include "gpslog/local_time.h"

#include <gtest/gtest.h>

#include <ctime>

#include "gpslog_test_support.h"
#include "test_support.h"

namespace kvd {
namespace {

// The C library's UTC calendar, where it reaches: Windows' stops at the end of 3000.
bool LibraryUtcFields(int64_t time, CalendarFields& fields) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
#ifdef _WIN32
    if (_gmtime64_s(&tm, &t) != 0) return false;
#else
    if (gmtime_r(&t, &tm) == nullptr) return false;
#endif
    fields = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

// The standard offset only: New York keeps -05:00 in July, as the KML times always have.
TEST(ZoneSuffix, FromTheZonesStandardOffset) {
    struct Case {
        const char* zone;
        int32_t bias;
        const char* suffix;
    };
    for (const Case& c :
         {Case{"Asia/Tokyo", -540, "+09:00"}, Case{"UTC", 0, "Z"},
          Case{"America/New_York", 300, "-05:00"}, Case{"Asia/Kolkata", -330, "+05:30"},
          Case{"America/St_Johns", 210, "-03:30"}}) {
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(StandardZoneBiasMinutes(), c.bias) << c.zone;
        char buffer[8];
        EXPECT_EQ(ZoneSuffix(StandardZoneBiasMinutes(), buffer), c.suffix) << c.zone;
    }
}

TEST(LocalTime, RoundTripsAtTheZonesStandardOffset) {
    struct Case {
        const char* zone;
        CalendarFields local;
        int64_t time;
    };
    const Case cases[] = {
        {"Asia/Tokyo", {2013, 6, 1, 12, 0, 0}, 1370055600},
        {"UTC", {2013, 6, 1, 12, 0, 0}, 1370088000},
        {"America/New_York", {2013, 7, 1, 12, 0, 0}, 1372698000},   // standard all year: -5h
        {"America/New_York", {2013, 1, 15, 12, 0, 0}, 1358269200},  // standard: -5h
        {"UTC", {1970, 1, 1, 0, 0, 0}, 0},
        {"UTC", {3000, 12, 31, 23, 59, 59}, kLatestLocalTime},
        {"Asia/Tokyo", {3001, 1, 1, 8, 59, 59}, kLatestLocalTime},
        {"America/New_York", {1969, 12, 31, 19, 0, 0}, 0},
        {"UTC", {2000, 2, 29, 0, 0, 0}, 951782400},
        {"UTC", {2100, 3, 1, 0, 0, 0}, 4107542400},  // 2100 is no leap year
    };
    for (const Case& c : cases) {
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(LocalCalendarToTime(c.local), c.time) << c.zone << " " << c.local.year;
        EXPECT_EQ(TimeToLocalCalendar(c.time), c.local) << c.zone << " " << c.time;
    }
}

// Our own calendar arithmetic against the C library, where the library can go, at the offsets
// that matter: every day of the range (at a varying time of day) and its last seconds.
TEST(LocalTime, MatchesTheCLibraryAcrossTheWholeRange) {
    for (const int32_t bias : {0, -540, 300, 210, -345}) {
        for (int64_t time = 0; time <= kLatestLocalTime; time += 86'400 + 3'599) {
            CalendarFields expected;
            if (!LibraryUtcFields(time - int64_t{bias} * 60, expected)) continue;
            ASSERT_EQ(TimeToLocalCalendar(time, bias), expected) << bias << " " << time;
            ASSERT_EQ(LocalCalendarToTime(expected, bias), time) << bias << " " << time;
        }
    }
}

// The C library's mktime rolls a day past the month's end and a 13th month over; so do we.
TEST(LocalTime, DaysAndMonthsPastTheirEndRollOver) {
    EXPECT_EQ(LocalCalendarToTime({2013, 2, 31, 0, 0, 0}, 0),
              LocalCalendarToTime({2013, 3, 3, 0, 0, 0}, 0));
    EXPECT_EQ(LocalCalendarToTime({2013, 13, 1, 0, 0, 0}, 0),
              LocalCalendarToTime({2014, 1, 1, 0, 0, 0}, 0));
}

TEST(LocalTime, OutsideTheRangeHasNoCalendar) {
    test::ScopedTimeZone zone("UTC");
    EXPECT_EQ(LocalCalendarToTime({1969, 12, 31, 23, 59, 59}), std::nullopt);
    EXPECT_EQ(LocalCalendarToTime({3001, 1, 1, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(LocalCalendarToTime({3001, 1, 1, 9, 0, 0}, -540), std::nullopt);
    EXPECT_EQ(LocalCalendarToTime({1969, 12, 31, 18, 59, 59}, 300), std::nullopt);
    for (int64_t time : {int64_t{-1}, kLatestLocalTime + 1, int64_t{1} << 40}) {
        EXPECT_EQ(TimeToLocalCalendar(time), kUnrepresentableFields) << time;
    }
}

// The last second of the range in Tokyo: the fix's end, one interval later, is the next
// year's first second, not the fields of an unrepresentable time.
TEST(LocalTime, KmlTimesAtTheEndOfTheRange) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    const std::string kml =
        test::KmlTextOf(EncodeLog(test::HeaderAt(3000, 12, 31, 23, 59, 59, 1),
                                  std::vector{test::Valid(35681236, 139767125)}));
    EXPECT_NE(kml.find("<begin>3000-12-31T23:59:59+09:00</begin>"), std::string::npos);
    EXPECT_NE(kml.find("<end>3001-01-01T00:00:00+09:00</end>"), std::string::npos);
}

}  // namespace
}  // namespace kvd
