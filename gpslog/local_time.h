// Local calendar time <-> seconds since the epoch in the PC's time zone at its standard
// offset (the offset the KML times carry), computed by our own calendar arithmetic so that
// every platform gives the same fields over the whole range.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

// Local time = UTC - biasMinutes. Days beyond the month's end and months beyond 12 roll
// over as with mktime. No value when the result falls outside the range.
std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, int32_t biasMinutes);
std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields);  // the PC's zone

// kUnrepresentableFields outside the range.
CalendarFields TimeToLocalCalendar(int64_t time, int32_t biasMinutes);
CalendarFields TimeToLocalCalendar(int64_t time);  // the PC's zone

// The zone's standard offset in minutes, UTC = local + bias (Tokyo -540); no daylight saving.
int32_t StandardZoneBiasMinutes();

#ifdef _WIN32
// Tests pin the offset, as Windows takes the zone from the system and not from TZ; none
// gives the system's zone back.
void PinZoneBias(std::optional<int32_t> biasMinutes);
#endif

// "Z" for bias 0, else "+hh:mm" / "-hh:mm" with the sign of local time against UTC.
std::string_view ZoneSuffix(int32_t biasMinutes, char (&buffer)[8]);

}  // namespace kvd
