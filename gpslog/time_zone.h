// The zone a log's local times are read and written in: the PC's own (the default), a fixed
// offset from UTC, or a named zone of the tz database read from its zoneinfo file. A value
// that any thread may use at once; the process's zone (TZ) is never touched.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvd {

struct ZoneRules;

class TimeZone {
  public:
    TimeZone() = default;  // the PC's zone

    static TimeZone Fixed(int32_t utcOffsetSeconds);

    // "+09:00" / "-03:30" (hours up to 23), or a tz database name such as "Europe/Berlin".
    // No value and error set when the text names no zone this system can read.
    static std::optional<TimeZone> Parse(std::string_view text, std::string& error);

    // local = UTC + offset, daylight saving included. Past the zone data's last change its
    // last rules go on.
    int32_t OffsetAt(int64_t time) const;

    bool IsSystem() const { return !rules_ && !fixed_; }

  private:
    std::shared_ptr<const ZoneRules> rules_;
    std::optional<int32_t> fixed_;
};

// The folder of the zoneinfo files, or none where the system has no zone database.
std::optional<std::string> ZoneInfoFolder();

// The rules of a zoneinfo (TZif) file's bytes; no value when they are not one.
std::shared_ptr<const ZoneRules> ParseZoneInfo(std::string_view bytes);
int32_t ZoneRulesOffsetAt(const ZoneRules& rules, int64_t time);

}  // namespace kvd
