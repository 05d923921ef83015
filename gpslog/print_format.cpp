#include "gpslog/print_format.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "common/number_text.h"
#include "common/text_sink.h"

namespace kvd {
namespace {

// The two places a format is filled into: a string, or the document being written.
struct StringOut {
    std::string& text;
    void Append(std::string_view piece) { text += piece; }
    void AppendRepeated(char c, std::size_t count) { text.append(count, c); }
    std::optional<TextEncoding> Encoding() const { return std::nullopt; }
    void AppendEncoded(std::string_view) {}
};

struct SinkOut {
    TextSink& sink;
    void Append(std::string_view piece) { sink.Append(piece); }
    void AppendRepeated(char c, std::size_t count) { sink.AppendRepeated(c, count); }
    std::optional<TextEncoding> Encoding() const { return sink.Encoding(); }
    void AppendEncoded(std::string_view encoded) { sink.AppendEncoded(encoded); }
};

template <typename Out>
void Pad(Out& out, std::size_t used, int width, char fill) {
    if (width > 0 && used < static_cast<std::size_t>(width)) {
        out.AppendRepeated(fill, static_cast<std::size_t>(width) - used);
    }
}

// A number as printf prints it: sign, padding and digits assembled in one buffer and written
// at once, as nearly every field is short.
template <typename Out>
void AppendNumber(Out& out, bool negative, std::string_view digits, int width, bool zeroPad) {
    const std::size_t sign = negative ? 1 : 0;
    const std::size_t used = sign + digits.size();
    const std::size_t padding =
        width > 0 && used < static_cast<std::size_t>(width) ? width - used : 0;
    char text[64];
    if (used + padding > sizeof text) {
        if (!zeroPad) out.AppendRepeated(' ', padding);
        if (negative) out.Append("-");
        if (zeroPad) out.AppendRepeated('0', padding);
        out.Append(digits);
        return;
    }
    char* end = text;
    if (!zeroPad) end = std::fill_n(end, padding, ' ');
    if (negative) *end++ = '-';
    if (zeroPad) end = std::fill_n(end, padding, '0');
    end = std::copy(digits.begin(), digits.end(), end);
    out.Append(std::string_view(text, static_cast<std::size_t>(end - text)));
}

template <typename Out>
void AppendInteger(Out& out, int64_t value, int width, bool zeroPad) {
    char digits[24];
    const uint64_t magnitude =
        value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    AppendNumber(out, value < 0, std::string_view(digits, static_cast<std::size_t>(end - digits)),
                 width, zeroPad);
}

template <typename Out>
void AppendReal(Out& out, double value, int width, int precision) {
    char text[400];  // the longest double in fixed notation with a small precision
    const auto result =
        FixedToChars(text, text + sizeof text, value, precision < 0 ? 6 : precision);
    // The sign is among the digits; the field is padded with blanks, as the 0 flag is not
    // used with reals.
    AppendNumber(out, false, std::string_view(text, static_cast<std::size_t>(result.ptr - text)),
                 width, false);
}

}  // namespace

PrintFormat::PrintFormat(std::string_view format) {
    std::size_t literalStart = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        if (format[pos] != '%') {
            ++pos;
            continue;
        }
        Piece piece;
        std::size_t cursor = pos + 1;
        if (cursor < format.size() && format[cursor] == '%') {
            // The per-cent sign itself: keep it in the literal, drop the escape.
            pieces_.push_back({format.substr(literalStart, cursor - literalStart)});
            literalStart = cursor + 1;
            pos = cursor + 1;
            continue;
        }
        if (cursor < format.size() && format[cursor] == '0') {
            piece.zeroPad = true;
            ++cursor;
        }
        while (cursor < format.size() && format[cursor] >= '0' && format[cursor] <= '9') {
            piece.width = piece.width * 10 + (format[cursor++] - '0');
        }
        if (cursor < format.size() && format[cursor] == '.') {
            piece.precision = 0;
            ++cursor;
            while (cursor < format.size() && format[cursor] >= '0' && format[cursor] <= '9') {
                piece.precision = piece.precision * 10 + (format[cursor++] - '0');
            }
        }
        if (cursor < format.size() && format[cursor] == 'l') {
            ++cursor;
        }
        if (cursor >= format.size()) {
            break;  // a lone % at the end prints as it stands
        }
        piece.conversion = format[cursor];
        piece.literal = format.substr(literalStart, pos - literalStart);
        pieces_.push_back(piece);
        pos = literalStart = cursor + 1;
    }
    pieces_.push_back({format.substr(literalStart)});
}

PrintFormat::PrintFormat(std::string_view format, TextEncoding writtenAs) : PrintFormat(format) {
    for (Piece& piece : pieces_) piece.encodedLiteral = TextSink::Encode(piece.literal, writtenAs);
    encodedAs_ = writtenAs;
}

template <typename Out>
void PrintFormat::Fill(Out& out, std::initializer_list<FormatArg> args) const {
    const bool encoded = encodedAs_ && out.Encoding() == encodedAs_;
    const FormatArg* next = args.begin();
    for (const Piece& piece : pieces_) {
        if (encoded) {
            out.AppendEncoded(piece.encodedLiteral);
        } else if (!piece.literal.empty()) {
            out.Append(piece.literal);
        }
        if (piece.conversion == 0) {
            continue;
        }
        if (next == args.end()) {
            return;  // fewer arguments than conversions: print what has one
        }
        const FormatArg& arg = *next++;
        const double real = arg.kind == FormatArg::Kind::Real ? arg.real
                                                               : static_cast<double>(arg.integer);
        const int64_t integer = arg.kind == FormatArg::Kind::Integer
                                    ? arg.integer
                                    : static_cast<int64_t>(arg.real);
        switch (piece.conversion) {
            case 'd':
            case 'i': AppendInteger(out, integer, piece.width, piece.zeroPad); break;
            case 'f': AppendReal(out, real, piece.width, piece.precision); break;
            case 'c': {
                const char c = static_cast<char>(integer);
                out.Append(std::string_view(&c, 1));
                break;
            }
            case 's':
                Pad(out, arg.text.size(), piece.width, ' ');
                out.Append(arg.text);
                break;
            default: break;  // not used by any catalogue text
        }
    }
}

void PrintFormat::AppendTo(std::string& out, std::initializer_list<FormatArg> args) const {
    StringOut target{out};
    Fill(target, args);
}

void PrintFormat::WriteTo(TextSink& out, std::initializer_list<FormatArg> args) const {
    SinkOut target{out};
    Fill(target, args);
}

std::string PrintFormat::Format(std::initializer_list<FormatArg> args) const {
    std::string out;
    AppendTo(out, args);
    return out;
}

}  // namespace kvd
