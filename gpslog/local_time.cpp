#include "gpslog/local_time.h"

#include <algorithm>

namespace kvd {
namespace {

constexpr int64_t kSecondsPerDay = 86'400;

// Floor division, so that days and seconds before the epoch round towards the past.
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date; month 1 to 12, the day may run past
// the month's end (it then counts on into the next month).
constexpr int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yearOfEra = year - era * 400;  // 0..399
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

constexpr CivilDate CivilFromDays(int64_t days) {
    days += 719'468;
    const int64_t era = FloorDiv(days, 146'097);
    const int64_t dayOfEra = days - era * 146'097;  // 0..146096
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;  // 0..399
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(DaysFromCivil(2000, 3, 1) == 11'017);
static_assert(CivilFromDays(-1).year == 1969 && CivilFromDays(-1).day == 31);

// Any offset a zone has ever had is well within a day either way.
constexpr int64_t kWidestOffset = kSecondsPerDay;

bool InRange(int64_t time) { return time >= kEarliestLocalTime && time <= kLatestLocalTime; }

CalendarFields FieldsAtOffset(int64_t time, int64_t offsetSeconds) {
    return UtcCalendarOfSeconds(time + offsetSeconds);
}

}  // namespace

int64_t SecondsOfUtcCalendar(const CalendarFields& fields) {
    // A month outside 1 to 12 moves the year, as mktime does.
    const int64_t monthIndex = int64_t{fields.month} - 1;
    const int64_t year = fields.year + FloorDiv(monthIndex, 12);
    const int64_t month = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
    return DaysFromCivil(year, month, fields.day) * kSecondsPerDay + int64_t{fields.hour} * 3600 +
           int64_t{fields.minute} * 60 + fields.second;
}

CalendarFields UtcCalendarOfSeconds(int64_t seconds) {
    const int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const int64_t secondOfDay = seconds - days * kSecondsPerDay;
    const CivilDate date = CivilFromDays(days);
    return {static_cast<int>(date.year),
            date.month,
            date.day,
            static_cast<int>(secondOfDay / 3600),
            static_cast<int>(secondOfDay / 60 % 60),
            static_cast<int>(secondOfDay % 60)};
}

std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, int32_t biasMinutes) {
    const int64_t time = SecondsOfUtcCalendar(fields) + int64_t{biasMinutes} * 60;
    if (!InRange(time)) return std::nullopt;
    return time;
}

CalendarFields TimeToLocalCalendar(int64_t time, int32_t biasMinutes) {
    if (!InRange(time)) return kUnrepresentableFields;
    return FieldsAtOffset(time, -int64_t{biasMinutes} * 60);
}

std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, const TimeZone& zone) {
    const int64_t local = SecondsOfUtcCalendar(fields);
    // Far outside the range no offset can bring it back, and the zone is not asked.
    if (local < kEarliestLocalTime - kWidestOffset || local > kLatestLocalTime + kWidestOffset) {
        return std::nullopt;
    }
    // The offsets a day before and a day after the local time read as UTC enclose every
    // instant it can stand for.
    const int32_t before = zone.OffsetAt(local - kWidestOffset);
    const int32_t after = zone.OffsetAt(local + kWidestOffset);
    auto readAt = [&](int32_t offset) -> std::optional<int64_t> {
        const int64_t time = local - offset;
        if (zone.OffsetAt(time) != offset) return std::nullopt;
        return time;
    };
    std::optional<int64_t> time = readAt(before);
    if (before != after) {
        const std::optional<int64_t> late = readAt(after);
        // Shown twice: the first; skipped: read at the offset before the change.
        if (!time || (late && *late < *time)) time = late;
    }
    if (!time) time = local - before;
    if (!InRange(*time)) return std::nullopt;
    return time;
}

LocalTime TimeToLocalTime(int64_t time, const TimeZone& zone) {
    // Beyond the range the fields are unknown; the suffix is the zone's at the range's edge.
    const int32_t offset = zone.OffsetAt(std::clamp(time, kEarliestLocalTime, kLatestLocalTime));
    if (!InRange(time)) return {kUnrepresentableFields, offset};
    return {FieldsAtOffset(time, offset), offset};
}

}  // namespace kvd
