#include "cli/format_option.h"

namespace kvd::cli {

std::optional<OutputFormats> ParseFormats(const std::optional<std::string>& list,
                                          std::string& error) {
    if (!list) return OutputFormats{};
    OutputFormats formats{false, false};
    std::string_view rest = *list;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view name = rest.substr(0, comma);
        if (name == "kml") {
            formats.kml = true;
        } else if (name == "gpx") {
            formats.gpx = true;
        } else {
            error = "unknown format '" + std::string(name) + "' in --format (kml, gpx or kml,gpx)";
            return std::nullopt;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return formats;
}

}  // namespace kvd::cli
