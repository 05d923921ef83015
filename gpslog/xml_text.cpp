#include "gpslog/xml_text.h"

#include "common/text_sink.h"
#include "common/utf8.h"

namespace kvd {
namespace {

bool AllowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character text[pos] starts, as it goes into character data: escaped, or replaced when
// XML cannot hold it. Advances pos past it.
template <typename Out>
void AppendEscapedCharacter(Out& out, std::string_view text, std::size_t& pos) {
    char32_t c = DecodeUtf8(text, pos);
    switch (c) {
        case '&':
            out.Append(std::string_view("&amp;"));
            return;
        case '<':
            out.Append(std::string_view("&lt;"));
            return;
        case '>':
            out.Append(std::string_view("&gt;"));
            return;
        case '\r':
            out.Append(std::string_view("&#13;"));
            return;  // a parser reads CR as LF
        default:
            break;
    }
    if (!AllowedInXml(c)) {
        c = kReplacementCharacter;
    }
    out.Append(c);
}

// Printable ASCII other than & < >, and tab and LF: written as they are.
bool PassesUnchanged(unsigned char c) {
    return (c >= 0x20 && c < 0x80 && c != '&' && c != '<' && c != '>') || c == '\t' || c == '\n';
}

struct StringOut {
    std::string& text;
    void Append(std::string_view piece) { text += piece; }
    void Append(char32_t c) { AppendUtf8(text, c); }
};

template <typename Out>
void AppendEscaped(Out& out, std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && PassesUnchanged(static_cast<unsigned char>(text[end]))) ++end;
        if (end > pos) out.Append(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size()) AppendEscapedCharacter(out, text, pos);
    }
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) {
    StringOut target{out};
    AppendEscaped(target, text);
}

void AppendEscapedText(TextSink& out, std::string_view text) { AppendEscaped(out, text); }

}  // namespace kvd
