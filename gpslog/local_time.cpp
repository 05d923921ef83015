#include "gpslog/local_time.h"

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

}  // namespace

std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields, int32_t biasMinutes) {
    // A month outside 1 to 12 moves the year, as mktime does.
    const int64_t monthIndex = int64_t{fields.month} - 1;
    const int64_t year = fields.year + FloorDiv(monthIndex, 12);
    const int64_t month = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
    const int64_t local = DaysFromCivil(year, month, fields.day) * kSecondsPerDay +
                          int64_t{fields.hour} * 3600 + int64_t{fields.minute} * 60 + fields.second;
    const int64_t time = local + int64_t{biasMinutes} * 60;
    if (time < kEarliestLocalTime || time > kLatestLocalTime) return std::nullopt;
    return time;
}

CalendarFields TimeToLocalCalendar(int64_t time, int32_t biasMinutes) {
    if (time < kEarliestLocalTime || time > kLatestLocalTime) return kUnrepresentableFields;
    const int64_t local = time - int64_t{biasMinutes} * 60;
    const int64_t days = FloorDiv(local, kSecondsPerDay);
    const int64_t secondOfDay = local - days * kSecondsPerDay;
    const CivilDate date = CivilFromDays(days);
    return {static_cast<int>(date.year),
            date.month,
            date.day,
            static_cast<int>(secondOfDay / 3600),
            static_cast<int>(secondOfDay / 60 % 60),
            static_cast<int>(secondOfDay % 60)};
}

std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields) {
    return LocalCalendarToTime(fields, StandardZoneBiasMinutes());
}

CalendarFields TimeToLocalCalendar(int64_t time) {
    return TimeToLocalCalendar(time, StandardZoneBiasMinutes());
}

}  // namespace kvd
