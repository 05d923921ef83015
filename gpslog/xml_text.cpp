#include "gpslog/xml_text.h"

#include "common/utf8.h"

namespace kvd {
namespace {

bool AllowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUnit(std::vector<uint8_t>& out, uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = DecodeUtf8(text, pos);
        switch (c) {
            case '&': out += "&amp;"; continue;
            case '<': out += "&lt;"; continue;
            case '>': out += "&gt;"; continue;
            case '\r': out += "&#13;"; continue;  // a parser would turn a bare CR into LF
            default: break;
        }
        if (!AllowedInXml(c)) {
            c = kReplacementCharacter;
        }
        AppendUtf8(out, c);
    }
}

void AppendUtf16Le(std::vector<uint8_t>& out, std::string_view utf8) {
    out.reserve(out.size() + 2 * utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {  // nearly all of a KML file
            out.push_back(lead);
            out.push_back(0);
            ++pos;
            continue;
        }
        const char32_t c = DecodeUtf8(utf8, pos);
        if (c < 0x10000) {
            AppendUnit(out, c);
        } else {
            AppendUnit(out, 0xD800 + ((c - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
}

}  // namespace kvd
