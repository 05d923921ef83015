#include "gpslog/local_time.h"

#include <ctime>

namespace kvd {
namespace {

bool LocalTimeOf(std::time_t time, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &time) == 0;
#else
    return localtime_r(&time, &out) != nullptr;
#endif
}

}  // namespace

std::optional<int64_t> LocalCalendarToTime(const CalendarFields& fields) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1;
    const int64_t time = static_cast<int64_t>(std::mktime(&tm));
    if (time < kEarliestLocalTime || time > kLatestLocalTime) {
        return std::nullopt;
    }
    return time;
}

CalendarFields TimeToLocalCalendar(int64_t time) {
    std::tm tm{};
    if (time < kEarliestLocalTime || time > kLatestLocalTime ||
        !LocalTimeOf(static_cast<std::time_t>(time), tm)) {
        return kUnrepresentableFields;
    }
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace kvd
