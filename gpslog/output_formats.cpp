#include "gpslog/gpslog.h"

namespace kvd {

std::string OutputFormatsText(const OutputFormats& formats) {
    std::string text;
    const auto add = [&text](bool wanted, const char* name) {
        if (!wanted) return;
        if (!text.empty()) text += ',';
        text += name;
    };
    add(formats.kml, "kml");
    add(formats.kmz, "kmz");
    add(formats.gpx, "gpx");
    return text;
}

std::optional<OutputFormats> ParseOutputFormats(std::string_view text, std::string* unknown) {
    OutputFormats formats{false, false, false};
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        if (name == "kml") {
            formats.kml = true;
        } else if (name == "kmz") {
            formats.kmz = true;
        } else if (name == "gpx") {
            formats.gpx = true;
        } else {
            if (unknown) *unknown = std::string(name);
            return std::nullopt;
        }
        if (comma == std::string_view::npos) return formats;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace kvd
