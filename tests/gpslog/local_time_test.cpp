#include <gtest/gtest.h>

#include "gpslog/local_time.h"
#include "test_support.h"

namespace kvd {
namespace {

// The standard offset only: New York keeps -05:00 in July, as the KML times always have.
TEST(ZoneSuffix, FromTheZonesStandardOffset) {
    struct Case {
        const char* zone;
        int32_t bias;
        const char* suffix;
    };
    for (const Case& c : {Case{"Asia/Tokyo", -540, "+09:00"}, Case{"UTC", 0, "Z"},
                          Case{"America/New_York", 300, "-05:00"},
                          Case{"Asia/Kolkata", -330, "+05:30"},
                          Case{"America/St_Johns", 210, "-03:30"}}) {
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(StandardZoneBiasMinutes(), c.bias) << c.zone;
        char buffer[8];
        EXPECT_EQ(ZoneSuffix(StandardZoneBiasMinutes(), buffer), c.suffix) << c.zone;
    }
}

TEST(LocalTime, RoundTripsLikeMktimeAndLocaltime) {
    struct Case {
        const char* zone;
        CalendarFields local;
        int64_t time;
    };
    const Case cases[] = {
        {"Asia/Tokyo", {2013, 6, 1, 12, 0, 0}, 1370055600},
        {"UTC", {2013, 6, 1, 12, 0, 0}, 1370088000},
        {"America/New_York", {2013, 7, 1, 12, 0, 0}, 1372694400},   // daylight saving: -4h
        {"America/New_York", {2013, 1, 15, 12, 0, 0}, 1358269200},  // standard: -5h
        {"UTC", {1970, 1, 1, 0, 0, 0}, 0},
        {"UTC", {3000, 12, 31, 23, 59, 59}, kLatestLocalTime},
    };
    for (const Case& c : cases) {
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(LocalCalendarToTime(c.local), c.time) << c.zone << " " << c.local.year;
        EXPECT_EQ(TimeToLocalCalendar(c.time), c.local) << c.zone << " " << c.time;
    }
}

TEST(LocalTime, OutsideTheRangeHasNoCalendar) {
    test::ScopedTimeZone zone("UTC");
    EXPECT_EQ(LocalCalendarToTime({1969, 12, 31, 23, 59, 59}), std::nullopt);
    EXPECT_EQ(LocalCalendarToTime({3001, 1, 1, 0, 0, 0}), std::nullopt);
    for (int64_t time : {int64_t{-1}, kLatestLocalTime + 1, int64_t{1} << 40}) {
        EXPECT_EQ(TimeToLocalCalendar(time), kUnrepresentableFields) << time;
    }
}

}  // namespace
}  // namespace kvd
