#include "gpslog/time_zone.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "gpslog/local_time.h"

namespace kvd {

// A daylight-saving rule of a POSIX TZ string: "M3.5.0/2", "J60" or "59", at a local time.
struct ZoneDayRule {
    char kind = 'M';  // 'M' month.week.weekday, 'J' day 1-365 without Feb 29, 'N' day 0-365
    int month = 0;
    int week = 0;
    int day = 0;
    int32_t seconds = 7200;  // local time of the change
};

struct ZoneRules {
    std::vector<int64_t> transitions;  // UTC instants, ascending
    std::vector<int32_t> offsetAfter;  // the offset from each transition on
    int32_t offsetBefore = 0;          // before the first transition
    // The rule that goes on after the last transition (the file's TZ string).
    bool hasRule = false;
    int32_t standardOffset = 0;
    bool hasDaylight = false;
    int32_t daylightOffset = 0;
    ZoneDayRule start;
    ZoneDayRule end;
};

namespace {

constexpr std::size_t kLargestZoneFile = 1 << 20;  // real ones are a few kilobytes

int64_t Big(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | at[i];
    if (bytes == 4) return static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<int64_t>(value);
}

// Reads the POSIX TZ string of a zoneinfo file's footer.
class TzStringReader {
  public:
    explicit TzStringReader(std::string_view text) : text_(text) {}

    bool Read(ZoneRules& rules) {
        int32_t offset = 0;
        if (!Name() || !Offset(offset)) return false;
        rules.standardOffset = -offset;  // POSIX counts west of Greenwich
        if (AtEnd()) return true;
        if (!Name()) return false;
        rules.hasDaylight = true;
        rules.daylightOffset = rules.standardOffset + 3600;
        if (!AtEnd() && Peek() != ',') {
            if (!Offset(offset)) return false;
            rules.daylightOffset = -offset;
        }
        // Without rules of its own, a zone keeps its standard time: guessing the US rules the
        // C library defaults to would be wrong almost everywhere.
        if (AtEnd()) {
            rules.hasDaylight = false;
            return true;
        }
        return Take(',') && DayRule(rules.start) && Take(',') && DayRule(rules.end) && AtEnd();
    }

  private:
    bool AtEnd() const { return at_ == text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++at_;
        return true;
    }
    bool IsDigit() const { return Peek() >= '0' && Peek() <= '9'; }

    bool Name() {
        if (Take('<')) {
            while (!AtEnd() && Peek() != '>') ++at_;
            return Take('>');
        }
        const std::size_t from = at_;
        while ((Peek() >= 'A' && Peek() <= 'Z') || (Peek() >= 'a' && Peek() <= 'z')) ++at_;
        return at_ - from >= 3;
    }

    bool Number(int& value, int largest) {
        if (!IsDigit()) return false;
        value = 0;
        while (IsDigit()) {
            value = value * 10 + (text_[at_++] - '0');
            if (value > largest) return false;
        }
        return true;
    }

    // [+-]hh[:mm[:ss]]; hours up to 167, as the rules' times may run into later days.
    bool Offset(int32_t& seconds) {
        const bool negative = Take('-');
        if (!negative) Take('+');
        int hours = 0, minutes = 0, secs = 0;
        if (!Number(hours, 167)) return false;
        if (Take(':')) {
            if (!Number(minutes, 59)) return false;
            if (Take(':') && !Number(secs, 59)) return false;
        }
        seconds = hours * 3600 + minutes * 60 + secs;
        if (negative) seconds = -seconds;
        return true;
    }

    bool DayRule(ZoneDayRule& rule) {
        if (Take('M')) {
            rule.kind = 'M';
            if (!Number(rule.month, 12) || rule.month < 1 || !Take('.') || !Number(rule.week, 5) ||
                rule.week < 1 || !Take('.') || !Number(rule.day, 6)) {
                return false;
            }
        } else if (Take('J')) {
            rule.kind = 'J';
            if (!Number(rule.day, 365) || rule.day < 1) return false;
        } else {
            rule.kind = 'N';
            if (!Number(rule.day, 365)) return false;
        }
        rule.seconds = 7200;
        return !Take('/') || Offset(rule.seconds);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

int64_t DaysOf(int64_t year, int month, int day) {
    return SecondsOfUtcCalendar({static_cast<int>(year), month, day, 0, 0, 0}) / 86'400;
}

bool IsLeap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Local seconds since the epoch (read as UTC) at which the rule changes the clocks in year.
int64_t LocalChange(const ZoneDayRule& rule, int64_t year) {
    int64_t days = 0;
    switch (rule.kind) {
        case 'J':  // February 29 is never counted
            days = DaysOf(year, 1, 1) + rule.day - 1 + (IsLeap(year) && rule.day >= 60 ? 1 : 0);
            break;
        case 'N':
            days = DaysOf(year, 1, 1) + rule.day;
            break;
        default: {
            const int64_t first = DaysOf(year, rule.month, 1);
            const int64_t length = DaysOf(year, rule.month + 1, 1) - first;
            const int64_t weekdayOfFirst = ((first + 4) % 7 + 7) % 7;  // 1970-01-01 a Thursday
            int64_t day = (rule.day - weekdayOfFirst + 7) % 7 + (rule.week - 1) * 7;
            while (day >= length) day -= 7;  // week 5: the last such day
            days = first + day;
        }
    }
    return days * 86'400 + rule.seconds;
}

int32_t RuleOffsetAt(const ZoneRules& rules, int64_t time) {
    if (!rules.hasDaylight) return rules.standardOffset;
    const int64_t year = UtcCalendarOfSeconds(time + rules.standardOffset).year;
    // The start is given in standard time, the end in daylight time.
    const int64_t start = LocalChange(rules.start, year) - rules.standardOffset;
    const int64_t end = LocalChange(rules.end, year) - rules.daylightOffset;
    const bool daylight =
        start < end ? time >= start && time < end : !(time >= end && time < start);
    return daylight ? rules.daylightOffset : rules.standardOffset;
}

// Parses the zone name's file in the folder; names that could leave it are refused.
bool SafeZoneName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '/') return false;
    std::size_t from = 0;
    while (from <= name.size()) {
        const std::size_t to = std::min(name.find('/', from), name.size());
        const std::string_view part = name.substr(from, to - from);
        if (part.empty() || part == "." || part == "..") return false;
        for (char c : part) {
            const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '+' || c == '.';
            if (!ok) return false;
        }
        from = to + 1;
    }
    return true;
}

std::optional<int32_t> ParseFixedOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return {};
    for (std::size_t i : {1, 2, 4, 5})
        if (text[i] < '0' || text[i] > '9') return {};
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    if (hours > 23 || minutes > 59) return {};
    const int32_t seconds = hours * 3600 + minutes * 60;
    return text[0] == '-' ? -seconds : seconds;
}

}  // namespace

std::shared_ptr<const ZoneRules> ParseZoneInfo(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    constexpr std::size_t kHeader = 44;
    struct Counts {
        int64_t isut, isstd, leap, time, type, chars;
    };
    const auto header = [&](std::size_t at, Counts& counts) {
        if (text.size() < at + kHeader || text.substr(at, 4) != "TZif") return false;
        const uint8_t* c = bytes + at + 20;
        counts = {Big(c, 4),      Big(c + 4, 4),  Big(c + 8, 4),
                  Big(c + 12, 4), Big(c + 16, 4), Big(c + 20, 4)};
        return counts.isut >= 0 && counts.isstd >= 0 && counts.leap >= 0 && counts.time >= 0 &&
               counts.type > 0 && counts.chars >= 0 && counts.type <= 256;
    };
    const auto blockSize = [](const Counts& c, int timeBytes) {
        return c.time * timeBytes + c.time + c.type * 6 + c.chars + c.leap * (timeBytes + 4) +
               c.isstd + c.isut;
    };
    Counts counts{};
    if (!header(0, counts)) return nullptr;
    std::size_t at = kHeader;
    int timeBytes = 4;
    if (text[4] >= '2') {  // a second header with 64-bit times follows the first block
        at += static_cast<std::size_t>(blockSize(counts, 4));
        if (!header(at, counts)) return nullptr;
        at += kHeader;
        timeBytes = 8;
    }
    if (text.size() < at + static_cast<std::size_t>(blockSize(counts, timeBytes))) return nullptr;

    auto rules = std::make_shared<ZoneRules>();
    const uint8_t* times = bytes + at;
    const uint8_t* indexes = times + counts.time * timeBytes;
    const uint8_t* types = indexes + counts.time;
    const auto offsetOfType = [&](int64_t type) {
        return static_cast<int32_t>(Big(types + type * 6, 4));
    };
    for (int64_t k = 0; k < counts.time; ++k) {
        const int64_t time = Big(times + k * timeBytes, timeBytes);
        if (indexes[k] >= counts.type) return nullptr;
        if (!rules->transitions.empty() && time <= rules->transitions.back()) return nullptr;
        rules->transitions.push_back(time);
        rules->offsetAfter.push_back(offsetOfType(indexes[k]));
    }
    rules->offsetBefore = offsetOfType(0);  // type 0 is the one before any transition

    if (timeBytes == 8) {
        const std::size_t footer = at + static_cast<std::size_t>(blockSize(counts, 8));
        if (text.size() > footer + 1 && text[footer] == '\n') {
            const std::size_t close = text.find('\n', footer + 1);
            if (close == std::string_view::npos) return nullptr;
            const std::string_view tz = text.substr(footer + 1, close - footer - 1);
            if (!tz.empty()) {
                if (!TzStringReader(tz).Read(*rules)) return nullptr;
                rules->hasRule = true;
            }
        }
    }
    return rules;
}

int32_t ZoneRulesOffsetAt(const ZoneRules& rules, int64_t time) {
    const auto& t = rules.transitions;
    if (t.empty() || time < t.front()) {
        return t.empty() && rules.hasRule ? RuleOffsetAt(rules, time) : rules.offsetBefore;
    }
    if (time >= t.back() && rules.hasRule) return RuleOffsetAt(rules, time);
    const auto after = std::upper_bound(t.begin(), t.end(), time);
    return rules.offsetAfter[static_cast<std::size_t>(after - t.begin() - 1)];
}

TimeZone TimeZone::Fixed(int32_t utcOffsetSeconds) {
    TimeZone zone;
    zone.fixed_ = utcOffsetSeconds;
    return zone;
}

std::optional<TimeZone> TimeZone::Parse(std::string_view text, std::string& error) {
    if (text.starts_with('+') || text.starts_with('-')) {
        const std::optional<int32_t> offset = ParseFixedOffset(text);
        if (!offset) {
            error = "'" + std::string(text) +
                    "' is no offset from UTC: give +HH:MM or -HH:MM, such as +09:00 or -03:30";
            return std::nullopt;
        }
        return Fixed(*offset);
    }
    if (!SafeZoneName(text)) {
        error = "'" + std::string(text) +
                "' is no time zone name: give one such as Europe/Berlin, or an offset such as "
                "+09:00";
        return std::nullopt;
    }
    const std::optional<std::string> folder = ZoneInfoFolder();
    if (!folder) {
        error = "time zone names such as '" + std::string(text) +
                "' need the zone database, which this system lacks (set TZDIR to a zoneinfo "
                "folder); give an offset such as +09:00 instead";
        return std::nullopt;
    }
    std::ifstream in(*folder + "/" + std::string(text), std::ios::binary);
    std::string bytes;
    if (in) {
        bytes.resize(kLargestZoneFile + 1);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
    }
    std::shared_ptr<const ZoneRules> rules =
        bytes.size() <= kLargestZoneFile ? ParseZoneInfo(bytes) : nullptr;
    if (!rules) {
        error = "unknown time zone '" + std::string(text) + "' (not in " + *folder +
                "); give a name such as Europe/Berlin, or an offset such as +09:00";
        return std::nullopt;
    }
    TimeZone zone;
    zone.rules_ = std::move(rules);
    return zone;
}

int32_t TimeZone::OffsetAt(int64_t time) const {
    if (fixed_) return *fixed_;
    if (rules_) return ZoneRulesOffsetAt(*rules_, time);
    return ZoneOffsetSecondsAt(time);
}

}  // namespace kvd
