// --zone ZONE and --utc, shared by get and convert: the zone a log's local times are read and
// written in, instead of the computer's.
#pragma once

#include <optional>
#include <string>

#include "cli/option_parser.h"
#include "gpslog/gpslog.h"

namespace kvd::cli {

inline constexpr OptionSpec kZoneOption = {
    "zone", 0, "ZONE",
    "local times in ZONE: Europe/Berlin, +09:00 or -03:30 (default: the computer's)"};
inline constexpr OptionSpec kUtcOption = {"utc", 0, "", "local times in UTC, as --zone +00:00"};

// The zone the options ask for (the computer's when neither is given); no value and error set
// for an unknown zone or both options at once.
std::optional<TimeZone> ParseZoneOptions(const ParsedOptions& options, std::string& error);

}  // namespace kvd::cli
