// --format kml|kmz|gpx or a comma-separated list of them (shared by get, convert and list), and
// --name device|date (get and convert).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/option_parser.h"
#include "gpslog/gpslog.h"

namespace kvd::cli {

inline constexpr OptionSpec kFormatOption = {
    "format", 'f', "LIST",
    "kml, kmz (zipped KML), gpx or a list such as kml,gpx: the files each log becomes "
    "(default kml)"};

inline constexpr OptionSpec kNameOption = {
    "name", 0, "HOW",
    "device or date: name the files as the device names the log (default) or by its start, "
    "YYYY-MM-DD_HHMM"};

// Whether --name asks for names by the log's start; no value and error set for anything but
// device or date.
std::optional<bool> ParseNameByStart(const std::optional<std::string>& how, std::string& error);

// The formats named by a comma-separated list (KML when none is given); no value and error
// set for an unknown or empty name.
std::optional<OutputFormats> ParseFormats(const std::optional<std::string>& list,
                                          std::string& error);

}  // namespace kvd::cli
