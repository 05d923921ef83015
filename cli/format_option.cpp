#include "cli/format_option.h"

namespace kvd::cli {

std::optional<OutputFormats> ParseFormats(const std::optional<std::string>& list,
                                          std::string& error) {
    if (!list) return OutputFormats{};
    std::string unknown;
    const std::optional<OutputFormats> formats = ParseOutputFormats(*list, &unknown);
    if (!formats)
        error = "unknown format '" + unknown +
                "' in --format (kml, kmz, gpx or a list such as kml,gpx)";
    return formats;
}

std::optional<bool> ParseNameByStart(const std::optional<std::string>& how, std::string& error) {
    if (!how || *how == "device") return false;
    if (*how == "date") return true;
    error = "unknown name '" + *how + "' in --name (device or date)";
    return std::nullopt;
}

}  // namespace kvd::cli
