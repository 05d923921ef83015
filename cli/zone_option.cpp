#include "cli/zone_option.h"

namespace kvd::cli {

std::optional<TimeZone> ParseZoneOptions(const ParsedOptions& options, std::string& error) {
    const std::optional<std::string> zone = options.Value("zone");
    if (options.Has("utc")) {
        if (zone) {
            error = "--utc and --zone name two zones: give one";
            return std::nullopt;
        }
        return TimeZone::Fixed(0);
    }
    if (!zone) return TimeZone();
    std::optional<TimeZone> parsed = TimeZone::Parse(*zone, error);
    if (!parsed) error = "--zone: " + error;
    return parsed;
}

}  // namespace kvd::cli
