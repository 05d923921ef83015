#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "gpslog/local_time.h"
#include "gpslog/time_zone.h"

namespace kvd {
namespace {

using Clock = std::chrono::steady_clock;

// The zone query reads the registry, too slow for every fix of a log; a zone changed in the
// system settings is still seen within a second.
constexpr auto kRereadAfter = std::chrono::seconds(1);

std::atomic<bool> g_pinned{false};
std::atomic<int32_t> g_pinnedBias{0};

// The zone and the rules of the last year asked for, per thread: conversions run on workers.
struct ZoneRules {
    bool known = false;
    Clock::time_point readAt;
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    bool zoneValid = false;
    int year = -1;
    TIME_ZONE_INFORMATION rules{};
};
thread_local ZoneRules t_zone;

TIME_ZONE_INFORMATION FixedRules(LONG bias) {
    TIME_ZONE_INFORMATION rules{};
    rules.Bias = bias;  // no DaylightDate: standard time all year
    return rules;
}

// The current rules the dynamic zone carries, for a zone the registry does not know.
TIME_ZONE_INFORMATION CurrentRules(const DYNAMIC_TIME_ZONE_INFORMATION& zone) {
    TIME_ZONE_INFORMATION rules{};
    rules.Bias = zone.Bias;
    rules.StandardBias = zone.StandardBias;
    rules.StandardDate = zone.StandardDate;
    rules.DaylightBias = zone.DaylightBias;
    rules.DaylightDate = zone.DaylightDate;
    return rules;
}

// The zone's rules for a year. Beyond the years the registry lists, Windows gives those of
// the last (or first) listed year.
const TIME_ZONE_INFORMATION& RulesForYear(int year) {
    const Clock::time_point now = Clock::now();
    if (!t_zone.known || now - t_zone.readAt >= kRereadAfter) {
        t_zone.zoneValid = GetDynamicTimeZoneInformation(&t_zone.zone) != TIME_ZONE_ID_INVALID;
        t_zone.known = true;
        t_zone.readAt = now;
        t_zone.year = -1;
    }
    if (year != t_zone.year) {
        t_zone.year = year;
        if (!t_zone.zoneValid) {
            t_zone.rules = FixedRules(0);
        } else if (t_zone.zone.DynamicDaylightTimeDisabled) {
            // The user turned the clock's daylight saving off: standard time all year.
            t_zone.rules = FixedRules(t_zone.zone.Bias);
        } else if (!GetTimeZoneInformationForYear(static_cast<USHORT>(year), &t_zone.zone,
                                                  &t_zone.rules)) {
            t_zone.rules = CurrentRules(t_zone.zone);  // a zone without a registry key
        }
    }
    return t_zone.rules;
}

CalendarFields FieldsOf(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace

// SystemTimeToTzSpecificLocalTimeEx does the same two steps, but Wine 8 lacks it, and the
// year's rules are worth keeping between calls.
int32_t ZoneOffsetSecondsAt(int64_t time) {
    const CalendarFields utc = UtcCalendarOfSeconds(time);
    SYSTEMTIME system{};
    system.wYear = static_cast<WORD>(utc.year);
    system.wMonth = static_cast<WORD>(utc.month);
    system.wDay = static_cast<WORD>(utc.day);
    system.wHour = static_cast<WORD>(utc.hour);
    system.wMinute = static_cast<WORD>(utc.minute);
    system.wSecond = static_cast<WORD>(utc.second);
    const TIME_ZONE_INFORMATION pinned = FixedRules(g_pinnedBias.load());
    const TIME_ZONE_INFORMATION& rules =
        g_pinned.load(std::memory_order_acquire) ? pinned : RulesForYear(utc.year);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(&rules, &system, &local)) {
        return -rules.Bias * 60;  // outside what Windows can convert: the standard offset
    }
    return static_cast<int32_t>(SecondsOfUtcCalendar(FieldsOf(local)) - SecondsOfUtcCalendar(utc));
}

void PinZoneBias(std::optional<int32_t> biasMinutes) {
    g_pinnedBias.store(biasMinutes.value_or(0));
    g_pinned.store(biasMinutes.has_value(), std::memory_order_release);
}

// Windows has no zoneinfo files of its own; a copy can be named through TZDIR.
std::optional<std::string> ZoneInfoFolder() {
    const char* folder = std::getenv("TZDIR");
    if (folder == nullptr || *folder == '\0') return std::nullopt;
    return folder;
}

}  // namespace kvd
