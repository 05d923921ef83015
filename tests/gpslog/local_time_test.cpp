#include "gpslog/local_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

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

// The designator's sign is local time's against UTC; half and quarter hours are kept.
TEST(ZoneSuffix, FromTheOffset) {
    struct Case {
        int32_t offsetSeconds;
        const char* suffix;
    };
    for (const Case& c : {Case{32'400, "+09:00"}, Case{0, "Z"}, Case{-18'000, "-05:00"},
                          Case{19'800, "+05:30"}, Case{-12'600, "-03:30"}, Case{-9'000, "-02:30"},
                          Case{37'800, "+10:30"}, Case{20'700, "+05:45"}}) {
        char buffer[8];
        EXPECT_EQ(ZoneSuffix(c.offsetSeconds, buffer), c.suffix) << c.offsetSeconds;
    }
}

TEST(LocalTime, RoundTripsInZonesOfOneOffset) {
    struct Case {
        const char* zone;
        CalendarFields local;
        int64_t time;
    };
    const Case cases[] = {
        {"Asia/Tokyo", {2013, 6, 1, 12, 0, 0}, 1370055600},
        {"UTC", {2013, 6, 1, 12, 0, 0}, 1370088000},
        {"UTC", {1970, 1, 1, 0, 0, 0}, 0},
        {"UTC", {3000, 12, 31, 23, 59, 59}, kLatestLocalTime},
        {"Asia/Tokyo", {3001, 1, 1, 8, 59, 59}, kLatestLocalTime},
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

// --- The zone table: what the KML and the GPX say about a log's times ---------------------

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// Every text between <tag> and </tag>; after marks only those after each mark (<trkpt, <wpt).
std::vector<std::string> TextsOf(const std::string& document, const std::string& tag,
                                 const std::string& after = "") {
    std::vector<std::string> texts;
    const std::string open = "<" + tag + ">";
    const std::string close = "</" + tag + ">";
    std::size_t at = 0;
    while (true) {
        if (!after.empty() && (at = document.find(after, at)) == std::string::npos) break;
        const std::size_t begin = document.find(open, at);
        if (begin == std::string::npos) break;
        const std::size_t end = document.find(close, begin);
        texts.push_back(document.substr(begin + open.size(), end - begin - open.size()));
        at = end;
    }
    return texts;
}

// The instant an xsd:dateTime names, worked out apart from the code under test.
std::optional<int64_t> InstantOf(const std::string& text) {
    int year, month, day, hour, minute, second, consumed = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%n", &year, &month, &day, &hour, &minute,
                    &second, &consumed) != 6) {
        return std::nullopt;
    }
    const std::string zone = text.substr(static_cast<std::size_t>(consumed));
    int offsetMinutes = 0;
    if (zone != "Z") {
        int zoneHours, zoneMinutes;
        if (zone.size() != 6 ||
            std::sscanf(zone.c_str() + 1, "%d:%d", &zoneHours, &zoneMinutes) != 2) {
            return std::nullopt;
        }
        offsetMinutes = (zoneHours * 60 + zoneMinutes) * (zone[0] == '-' ? -1 : 1);
    }
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / month / day};
    return date.time_since_epoch() / seconds(1) + hour * 3600 + minute * 60 + second -
           offsetMinutes * 60;
}

// A trip of marked fixes starting at a local time. kml: each fix's begin, then the last
// fix's end; gpx: each track point's UTC time. Expected values come from the zone data of
// the IANA database, not from our code.
struct ZoneRow {
    const char* zone;
    CalendarFields header;
    uint16_t interval;
    const char* kml;
    const char* gpx;
};

const ZoneRow kZoneRows[] = {
    {"Asia/Tokyo",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00+09:00 2014-01-15T12:01:00+09:00",
     "2014-01-15T03:00:00Z"},
    {"Asia/Tokyo",
     {2014, 8, 23, 17, 21, 8},
     60,
     "2014-08-23T17:21:08+09:00 2014-08-23T17:22:08+09:00",
     "2014-08-23T08:21:08Z"},
    {"UTC",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00Z 2014-01-15T12:01:00Z",
     "2014-01-15T12:00:00Z"},
    {"UTC",
     {2014, 8, 23, 17, 21, 8},
     60,
     "2014-08-23T17:21:08Z 2014-08-23T17:22:08Z",
     "2014-08-23T17:21:08Z"},

    {"America/New_York",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00-05:00 2014-01-15T12:01:00-05:00",
     "2014-01-15T17:00:00Z"},
    {"America/New_York",
     {2014, 7, 15, 12, 0, 0},
     60,
     "2014-07-15T12:00:00-04:00 2014-07-15T12:01:00-04:00",
     "2014-07-15T16:00:00Z"},
    // The hour before and after each change of clocks.
    {"America/New_York",
     {2014, 3, 9, 1, 15, 0},
     1800,
     "2014-03-09T01:15:00-05:00 2014-03-09T01:45:00-05:00 2014-03-09T03:15:00-04:00 "
     "2014-03-09T03:45:00-04:00",
     "2014-03-09T06:15:00Z 2014-03-09T06:45:00Z 2014-03-09T07:15:00Z"},
    {"America/New_York",
     {2014, 11, 2, 0, 45, 0},
     1800,
     "2014-11-02T00:45:00-04:00 2014-11-02T01:15:00-04:00 2014-11-02T01:45:00-04:00 "
     "2014-11-02T01:15:00-05:00 2014-11-02T01:45:00-05:00 2014-11-02T02:15:00-05:00",
     "2014-11-02T04:45:00Z 2014-11-02T05:15:00Z 2014-11-02T05:45:00Z 2014-11-02T06:15:00Z "
     "2014-11-02T06:45:00Z"},
    // A header the clocks skip lands after the change; one they show twice is the first.
    {"America/New_York",
     {2014, 3, 9, 2, 30, 0},
     60,
     "2014-03-09T03:30:00-04:00 2014-03-09T03:31:00-04:00",
     "2014-03-09T07:30:00Z"},
    {"America/New_York",
     {2014, 11, 2, 1, 30, 0},
     60,
     "2014-11-02T01:30:00-04:00 2014-11-02T01:31:00-04:00",
     "2014-11-02T05:30:00Z"},
    // The first second of the range, seen from west of UTC.
    {"America/New_York",
     {1969, 12, 31, 19, 0, 0},
     60,
     "1969-12-31T19:00:00-05:00 1969-12-31T19:01:00-05:00",
     "1970-01-01T00:00:00Z"},

    {"Europe/Berlin",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00+01:00 2014-01-15T12:01:00+01:00",
     "2014-01-15T11:00:00Z"},
    {"Europe/Berlin",
     {2014, 8, 23, 17, 21, 8},
     60,
     "2014-08-23T17:21:08+02:00 2014-08-23T17:22:08+02:00",
     "2014-08-23T15:21:08Z"},
    {"Europe/Berlin",
     {2014, 3, 30, 1, 15, 0},
     1800,
     "2014-03-30T01:15:00+01:00 2014-03-30T01:45:00+01:00 2014-03-30T03:15:00+02:00 "
     "2014-03-30T03:45:00+02:00",
     "2014-03-30T00:15:00Z 2014-03-30T00:45:00Z 2014-03-30T01:15:00Z"},
    {"Europe/Berlin",
     {2014, 10, 26, 1, 45, 0},
     1800,
     "2014-10-26T01:45:00+02:00 2014-10-26T02:15:00+02:00 2014-10-26T02:45:00+02:00 "
     "2014-10-26T02:15:00+01:00 2014-10-26T02:45:00+01:00 2014-10-26T03:15:00+01:00",
     "2014-10-25T23:45:00Z 2014-10-26T00:15:00Z 2014-10-26T00:45:00Z 2014-10-26T01:15:00Z "
     "2014-10-26T01:45:00Z"},
    {"Europe/Berlin",
     {2014, 3, 30, 2, 30, 0},
     60,
     "2014-03-30T03:30:00+02:00 2014-03-30T03:31:00+02:00",
     "2014-03-30T01:30:00Z"},
    {"Europe/Berlin",
     {2014, 10, 26, 2, 30, 0},
     60,
     "2014-10-26T02:30:00+02:00 2014-10-26T02:31:00+02:00",
     "2014-10-26T00:30:00Z"},
    // Beyond the zone data the last known rules go on, to the last second of the range.
    {"Europe/Berlin",
     {3000, 7, 1, 12, 0, 0},
     60,
     "3000-07-01T12:00:00+02:00 3000-07-01T12:01:00+02:00",
     "3000-07-01T10:00:00Z"},
    {"Europe/Berlin",
     {3001, 1, 1, 0, 59, 58},
     1,
     "3001-01-01T00:59:58+01:00 3001-01-01T00:59:59+01:00",
     "3000-12-31T23:59:58Z"},

    {"America/St_Johns",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00-03:30 2014-01-15T12:01:00-03:30",
     "2014-01-15T15:30:00Z"},
    {"America/St_Johns",
     {2014, 7, 15, 12, 0, 0},
     60,
     "2014-07-15T12:00:00-02:30 2014-07-15T12:01:00-02:30",
     "2014-07-15T14:30:00Z"},
    {"America/St_Johns",
     {2014, 3, 9, 1, 15, 0},
     1800,
     "2014-03-09T01:15:00-03:30 2014-03-09T01:45:00-03:30 2014-03-09T03:15:00-02:30 "
     "2014-03-09T03:45:00-02:30",
     "2014-03-09T04:45:00Z 2014-03-09T05:15:00Z 2014-03-09T05:45:00Z"},
    {"America/St_Johns",
     {2014, 11, 2, 0, 45, 0},
     1800,
     "2014-11-02T00:45:00-02:30 2014-11-02T01:15:00-02:30 2014-11-02T01:45:00-02:30 "
     "2014-11-02T01:15:00-03:30 2014-11-02T01:45:00-03:30 2014-11-02T02:15:00-03:30",
     "2014-11-02T03:15:00Z 2014-11-02T03:45:00Z 2014-11-02T04:15:00Z 2014-11-02T04:45:00Z "
     "2014-11-02T05:15:00Z"},

    // Summer in January; the clocks move by half an hour.
    {"Australia/Lord_Howe",
     {2014, 7, 15, 12, 0, 0},
     60,
     "2014-07-15T12:00:00+10:30 2014-07-15T12:01:00+10:30",
     "2014-07-15T01:30:00Z"},
    {"Australia/Lord_Howe",
     {2014, 1, 15, 12, 0, 0},
     60,
     "2014-01-15T12:00:00+11:00 2014-01-15T12:01:00+11:00",
     "2014-01-15T01:00:00Z"},
    {"Australia/Lord_Howe",
     {2014, 10, 5, 1, 15, 0},
     1800,
     "2014-10-05T01:15:00+10:30 2014-10-05T01:45:00+10:30 2014-10-05T02:45:00+11:00 "
     "2014-10-05T03:15:00+11:00",
     "2014-10-04T14:45:00Z 2014-10-04T15:15:00Z 2014-10-04T15:45:00Z"},
    {"Australia/Lord_Howe",
     {2014, 4, 6, 1, 15, 0},
     1800,
     "2014-04-06T01:15:00+11:00 2014-04-06T01:45:00+11:00 2014-04-06T01:45:00+10:30 "
     "2014-04-06T02:15:00+10:30 2014-04-06T02:45:00+10:30",
     "2014-04-05T14:15:00Z 2014-04-05T14:45:00Z 2014-04-05T15:15:00Z 2014-04-05T15:45:00Z"},
    {"Australia/Lord_Howe",
     {2014, 10, 5, 2, 15, 0},
     60,
     "2014-10-05T02:45:00+11:00 2014-10-05T02:46:00+11:00",
     "2014-10-04T15:45:00Z"},
    {"Australia/Lord_Howe",
     {2014, 4, 6, 1, 45, 0},
     60,
     "2014-04-06T01:45:00+11:00 2014-04-06T01:46:00+11:00",
     "2014-04-05T14:45:00Z"},
};

// "2014-03-09T01:15:00-05:00" shown as the KML and GPX names show local times.
std::string NameOf(const std::string& kmlTime) {
    std::string name = kmlTime.substr(0, 19);
    std::replace(name.begin(), name.end(), '-', '/');
    name[10] = ' ';
    return name;
}

// zone, when given, is the zone the conversion is told, whatever the process's zone is.
void CheckZoneRow(const ZoneRow& row, const TimeZone& zone = {}) {
    SCOPED_TRACE(std::string(row.zone) + " " + Words(row.kml).front());
    const std::vector<std::string> kmlTimes = Words(row.kml);
    const std::vector<std::string> gpxTimes = Words(row.gpx);
    ASSERT_EQ(kmlTimes.size(), gpxTimes.size() + 1);
    const CalendarFields& h = row.header;
    const std::vector<uint8_t> log =
        EncodeLog(test::HeaderAt(static_cast<uint16_t>(h.year), static_cast<uint8_t>(h.month),
                                 static_cast<uint8_t>(h.day), static_cast<uint8_t>(h.hour),
                                 static_cast<uint8_t>(h.minute), static_cast<uint8_t>(h.second),
                                 row.interval),
                  std::vector(gpxTimes.size(), test::Valid(52520000, 13405000, 0, 0, 1)));

    const std::string kml = test::KmlTextOf(log, "0601.LOG.kml Path", zone);
    const std::vector<std::string> begins = TextsOf(kml, "begin");
    const std::vector<std::string> ends = TextsOf(kml, "end");
    EXPECT_EQ(begins, std::vector(kmlTimes.begin(), kmlTimes.end() - 1));
    EXPECT_EQ(ends, std::vector(kmlTimes.begin() + 1, kmlTimes.end()));

    const std::string gpx = test::GpxTextOf(log, "0601.LOG", zone);
    const std::vector<std::string> points = TextsOf(gpx, "time", "<trkpt");
    EXPECT_EQ(points, gpxTimes);
    ASSERT_EQ(points.size(), begins.size());
    const std::vector<std::string> waypointNames = TextsOf(gpx, "name", "<wpt");
    ASSERT_EQ(waypointNames.size(), begins.size());
    for (std::size_t i = 0; i < begins.size(); ++i) {
        const std::optional<int64_t> kmlInstant = InstantOf(begins[i]);
        ASSERT_TRUE(kmlInstant) << begins[i];
        EXPECT_EQ(InstantOf(points[i]), kmlInstant) << begins[i] << " against " << points[i];
        EXPECT_EQ(waypointNames[i], NameOf(begins[i]));
    }
}

// On Linux every row, the zone set through TZ. Wine takes the zone from TZ only when the
// program starts: ctest runs this test once per zone with TZ set (tests/windows), and each
// run takes that zone's rows.
TEST(ZoneTable, KmlAndGpxTimesAroundTheChangesOfClocks) {
    std::size_t rowsRun = 0;
    for (const ZoneRow& row : kZoneRows) {
#ifdef _WIN32
        if (!test::StartedInZone(row.zone)) continue;
#endif
        test::ScopedTimeZone zone(row.zone);
        test::ScopedLanguage language(kLangIdEnglishUs);
        CheckZoneRow(row);
        ++rowsRun;
    }
    if (rowsRun == 0) GTEST_SKIP() << "no row for the zone this program started in";
}

// The same rows with the zone read from its zoneinfo file, the process in a zone far from
// each of them: a conversion told a zone writes what one in that zone writes.
TEST(ZoneTable, TheSameTimesWithTheZoneNamedInsteadOfTheProcesssZone) {
    if (!ZoneInfoFolder()) GTEST_SKIP() << "no zone database here";
    test::ScopedTimeZone processZone("Asia/Kolkata");
    test::ScopedLanguage language(kLangIdEnglishUs);
    for (const ZoneRow& row : kZoneRows) {
        std::string error;
        const std::optional<TimeZone> zone = TimeZone::Parse(row.zone, error);
        ASSERT_TRUE(zone) << error;
        CheckZoneRow(row, *zone);
    }
}

#ifndef _WIN32
// The zoneinfo reader against the C library reading the same files through TZ, over the whole
// range: every few days at a varying hour, and the hours around each change the library sees.
TEST(TimeZone, NamedZonesMatchTheCLibraryAcrossTheWholeRange) {
    for (const char* name :
         {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "America/St_Johns",
          "Asia/Tokyo", "Africa/Casablanca", "America/Sao_Paulo", "Pacific/Chatham", "UTC"}) {
        std::string error;
        const std::optional<TimeZone> zone = TimeZone::Parse(name, error);
        ASSERT_TRUE(zone) << name << ": " << error;
        test::ScopedTimeZone libraryZone(name);
        int32_t previous = ZoneOffsetSecondsAt(0);
        for (int64_t time = 0; time <= kLatestLocalTime; time += 3 * 86'400 + 3'541) {
            const int32_t expected = ZoneOffsetSecondsAt(time);
            ASSERT_EQ(zone->OffsetAt(time), expected) << name << " at " << time;
            if (expected != previous) {
                for (int64_t near = time - 4 * 86'400; near < time; near += 1'800) {
                    ASSERT_EQ(zone->OffsetAt(near), ZoneOffsetSecondsAt(near))
                        << name << " at " << near;
                }
            }
            previous = expected;
        }
    }
}
#endif

TEST(TimeZone, OffsetsAndNamesTheOptionTakes) {
    struct Case {
        const char* text;
        std::optional<int32_t> offsetInJanuary2014;  // none: refused
    };
    const Case cases[] = {
        {"+09:00", 32'400},
        {"-03:30", -12'600},
        {"+00:00", 0},
        {"-00:00", 0},
        {"+23:59", 86'340},
        {"+24:00", std::nullopt},
        {"+09:60", std::nullopt},
        {"+9:00", std::nullopt},
        {"+0900", std::nullopt},
        {"09:00", std::nullopt},
        {"", std::nullopt},
        {"+09:00x", std::nullopt},
        {"../../etc/passwd", std::nullopt},
        {"/usr/share/zoneinfo/UTC", std::nullopt},
        {"Europe/", std::nullopt},
        {"Europe//Berlin", std::nullopt},
        {"Nowhere/Land", std::nullopt},
        {"Europe", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::optional<TimeZone> zone = TimeZone::Parse(c.text, error);
        ASSERT_EQ(zone.has_value(), c.offsetInJanuary2014.has_value()) << c.text << ": " << error;
        if (zone) {
            EXPECT_EQ(zone->OffsetAt(1'389'744'000), *c.offsetInJanuary2014) << c.text;
        } else {
            EXPECT_NE(error.find(c.text), std::string::npos) << error;
        }
    }
}

// Zoneinfo bytes cut short anywhere, or with a byte changed, are refused or read without any
// access outside them (the sanitizer builds would see one).
TEST(TimeZone, DamagedZoneFilesAreRefusedSafely) {
    const std::optional<std::string> folder = ZoneInfoFolder();
    if (!folder) GTEST_SKIP() << "no zone database here";
    const std::vector<uint8_t> bytes = test::ReadBytes(*folder + "/Europe/Berlin");
    ASSERT_GT(bytes.size(), 100u);
    const std::string whole(bytes.begin(), bytes.end());
    ASSERT_NE(ParseZoneInfo(whole), nullptr);
    std::size_t refused = 0;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        refused += ParseZoneInfo(std::string_view(whole).substr(0, length)) == nullptr ? 1 : 0;
    }
    EXPECT_GT(refused, whole.size() / 2);
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
        const auto rules = ParseZoneInfo(damaged);
        if (rules) (void)ZoneRulesOffsetAt(*rules, 1'400'000'000);
    }
}

}  // namespace
}  // namespace kvd
