// Local calendar time <-> seconds since the epoch, as the C library's mktime and localtime
// do it in the PC's time zone, limited to the range that both platforms can represent.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvd {

inline constexpr int64_t kEarliestLocalTime = 0;
inline constexpr int64_t kLatestLocalTime = 32'535'215'999;  // 3000-12-31 23:59:59 UTC

struct CalendarFields {
    int year = 0;  // full year
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CalendarFields&) const = default;
};

// What a time outside the range prints as.
inline constexpr CalendarFields kUnrepresentableFields{0, 0, 0, -1, -1, -1};

// mktime with daylight saving left to the library: days beyond the month's end roll over.
// No value when the result falls outside the range.
std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields);

// localtime; kUnrepresentableFields outside the range.
CalendarFields TimeToLocalCalendar(int64_t time);

// The zone's standard offset in minutes, UTC = local + bias (Tokyo -540); no daylight saving.
int32_t StandardZoneBiasMinutes();

// "Z" for bias 0, else "+hh:mm" / "-hh:mm" with the sign of local time against UTC.
std::string_view ZoneSuffix(int32_t biasMinutes, char (&buffer)[8]);

}  // namespace kvd
