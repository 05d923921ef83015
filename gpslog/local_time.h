// Local calendar time <-> seconds since the epoch in the PC's time zone, daylight saving
// included, as mktime and localtime see it. The system is asked only for the zone's offset at
// an instant; the calendar arithmetic is our own, so that every platform gives the same fields
// over the whole range.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "gpslog/time_zone.h"  // IWYU pragma: export

namespace kvd {

inline constexpr int64_t kEarliestLocalTime = 0;
inline constexpr int64_t kLatestLocalTime = 32'535'215'999;  // 3000-12-31 23:59:59 UTC

struct CalendarFields {
    int year = 0;   // full year
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CalendarFields&) const = default;
};

// What a time outside the range prints as.
inline constexpr CalendarFields kUnrepresentableFields{0, 0, 0, -1, -1, -1};

// An instant on the PC's local calendar and the zone's offset from UTC at that instant.
struct LocalTime {
    CalendarFields fields;
    int32_t utcOffsetSeconds = 0;  // local = UTC + offset: Tokyo 32400, Berlin in summer 7200

    bool operator==(const LocalTime&) const = default;
};

// At one offset all year, local time = UTC - biasMinutes. Days beyond the month's end and
// months beyond 12 roll over as with mktime. Outside the range: no value, and
// kUnrepresentableFields.
std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, int32_t biasMinutes);
CalendarFields TimeToLocalCalendar(int64_t time, int32_t biasMinutes);

// A local time of zone, as mktime with tm_isdst -1 reads one: a time the clocks skip (02:30
// when they go from 02:00 to 03:00) is read at the offset before the change, so it lands after
// it (03:30); a time they show twice is the earlier of the two instants.
std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, const TimeZone& zone);
inline std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields) {
    return LocalCalendarToTime(fields, TimeZone());
}

// zone's local time, as localtime. Outside the range: kUnrepresentableFields, at the offset of
// the range's nearest end.
LocalTime TimeToLocalTime(int64_t time, const TimeZone& zone);
inline LocalTime TimeToLocalTime(int64_t time) { return TimeToLocalTime(time, TimeZone()); }
inline CalendarFields TimeToLocalCalendar(int64_t time, const TimeZone& zone) {
    return TimeToLocalTime(time, zone).fields;
}
inline CalendarFields TimeToLocalCalendar(int64_t time) { return TimeToLocalTime(time).fields; }

// The platform's answer: the PC's zone's offset from UTC at an instant, daylight saving
// included. Past the end of the zone's data the last known rules go on.
int32_t ZoneOffsetSecondsAt(int64_t time);

// Calendar fields read as UTC <-> seconds since the epoch, with no range limit.
int64_t SecondsOfUtcCalendar(const CalendarFields& fields);
CalendarFields UtcCalendarOfSeconds(int64_t seconds);

#ifdef _WIN32
// Tests pin a zone that keeps one offset all year (UTC = local + bias), as Wine takes the zone
// only from TZ at start; none gives the system's zone back.
void PinZoneBias(std::optional<int32_t> biasMinutes);
#endif

// The zone designator of a local time: "Z" for offset 0, else "+hh:mm" / "-hh:mm".
std::string_view ZoneSuffix(int32_t utcOffsetSeconds, char (&buffer)[8]);

}  // namespace kvd
