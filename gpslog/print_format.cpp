#include "gpslog/print_format.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <span>

#include "common/number_text.h"
#include "common/text_sink.h"

namespace kvd {
namespace {

// The two places a format is filled into: a string, or the document being written.
struct StringOut {
    std::string& text;
    void Append(std::string_view piece) { text += piece; }
};

struct SinkOut {
    TextSink& sink;
    void Append(std::string_view piece) { sink.Append(piece); }
};

// Copies a few bytes without a library call: most pieces of a format are under 16 bytes.
inline void CopyBytes(char* out, const char* in, std::size_t count) {
    if (count >= 16) {
        std::memcpy(out, in, count);
    } else if (count >= 8) {  // two overlapping words
        std::memcpy(out, in, 8);
        std::memcpy(out + count - 8, in + count - 8, 8);
    } else if (count >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + count - 4, in + count - 4, 4);
    } else if (count > 0) {
        out[0] = in[0];
        out[count / 2] = in[count / 2];
        out[count - 1] = in[count - 1];
    }
}

// The filled text gathered in a small buffer and handed on in one piece: a fix's placemark
// is some fifty literals and numbers, each too short to be worth a call of its own.
template <typename Out>
class Staged {
  public:
    explicit Staged(Out& out) : out_(out) {}
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;
    ~Staged() { Flush(); }

    void Append(std::string_view piece) {
        if (kSize - used_ < piece.size()) {
            Flush();
            if (piece.size() > kSize) {
                out_.Append(piece);
                return;
            }
        }
        CopyBytes(text_ + used_, piece.data(), piece.size());
        used_ += piece.size();
    }
    void AppendRepeated(char c, std::size_t count) {
        for (; count > 0; --count) Append(std::string_view(&c, 1));
    }

    // Room for at least count bytes (at most kSize) to be written in place, then Commit.
    std::span<char> Reserve(std::size_t count) {
        if (kSize - used_ < count) Flush();
        return {text_ + used_, kSize - used_};
    }
    void Commit(const char* end) { used_ = static_cast<std::size_t>(end - text_); }
    void Flush() {
        if (used_ > 0) out_.Append(std::string_view(text_, used_));
        used_ = 0;
    }

    static constexpr std::size_t kSize = 1024;

  private:
    Out& out_;
    std::size_t used_ = 0;
    char text_[kSize];
};

template <typename Out>
void Pad(Out& out, std::size_t used, int width, char fill) {
    if (width > 0 && used < static_cast<std::size_t>(width)) {
        out.AppendRepeated(fill, static_cast<std::size_t>(width) - used);
    }
}

std::size_t PaddingFor(std::size_t used, int width) {
    return width > 0 && used < static_cast<std::size_t>(width)
               ? static_cast<std::size_t>(width) - used
               : 0;
}

std::size_t DecimalDigits(uint64_t value) {
    std::size_t count = 1;
    for (; value >= 10; value /= 10) ++count;
    return count;
}

// Fills count bytes with c in whole words: the caller has room for 7 bytes more.
char* FillWords(char* out, char c, std::size_t count) {
    const char word[8] = {c, c, c, c, c, c, c, c};
    for (std::size_t i = 0; i < count; i += 8) std::memcpy(out + i, word, 8);
    return out + count;
}

// Numbers are written in place, padding included: nearly every field is a few digits.
constexpr std::size_t kLongestInPlacePadding = 64;

template <typename Out>
void AppendInteger(Staged<Out>& out, int64_t value, int width, bool zeroPad) {
    const uint64_t magnitude =
        value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::size_t digits = DecimalDigits(magnitude);
    const std::size_t sign = value < 0 ? 1 : 0;
    std::size_t padding = PaddingFor(sign + digits, width);
    if (padding > kLongestInPlacePadding) {
        if (!zeroPad) out.AppendRepeated(' ', padding);
        if (sign) out.Append("-");
        if (zeroPad) out.AppendRepeated('0', padding);
        padding = 0;
    }
    const std::span<char> room = out.Reserve(sign + padding + digits + 8);
    char* end = room.data();
    if (!zeroPad) end = FillWords(end, ' ', padding);
    if (sign) *end++ = '-';
    if (zeroPad) end = FillWords(end, '0', padding);
    out.Commit(std::to_chars(end, end + digits, magnitude).ptr);
}

template <typename Out>
void AppendReal(Staged<Out>& out, double value, int width, int precision) {
    if (precision < 0) precision = 6;
    constexpr std::size_t kUsual = 48;  // a coordinate or a speed needs a dozen
    std::span<char> room = out.Reserve(kUsual);
    auto result = FixedToChars(room.data(), room.data() + room.size(), value, precision);
    if (result.ec != std::errc{}) {
        char text[400];  // the longest double in fixed notation with a small precision
        result = FixedToChars(text, text + sizeof text, value, precision);
        const auto count = static_cast<std::size_t>(result.ptr - text);
        Pad(out, count, width, ' ');
        out.Append(std::string_view(text, count));
        return;
    }
    const auto count = static_cast<std::size_t>(result.ptr - room.data());
    const std::size_t padding = PaddingFor(count, width);
    if (padding == 0) {
        out.Commit(result.ptr);
        return;
    }
    // Blanks before the digits (the 0 flag is not used with reals): rare, so done by copy.
    const std::string digits(room.data(), count);
    Pad(out, count, width, ' ');
    out.Append(digits);
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

template <typename Out>
void PrintFormat::Fill(Out& out, std::initializer_list<FormatArg> args) const {
    const FormatArg* next = args.begin();
    for (const Piece& piece : pieces_) {
        out.Append(piece.literal);
        if (piece.conversion == 0) {
            continue;
        }
        if (next == args.end()) {
            return;  // fewer arguments than conversions: print what has one
        }
        const FormatArg& arg = *next++;
        const double real =
            arg.kind == FormatArg::Kind::Real ? arg.real : static_cast<double>(arg.integer);
        const int64_t integer =
            arg.kind == FormatArg::Kind::Integer ? arg.integer : static_cast<int64_t>(arg.real);
        switch (piece.conversion) {
            case 'd':
            case 'i':
                AppendInteger(out, integer, piece.width, piece.zeroPad);
                break;
            case 'f':
                AppendReal(out, real, piece.width, piece.precision);
                break;
            case 'c': {
                const char c = static_cast<char>(integer);
                out.Append(std::string_view(&c, 1));
                break;
            }
            case 's':
                Pad(out, arg.text.size(), piece.width, ' ');
                out.Append(arg.text);
                break;
            default:
                break;  // not used by any catalogue text
        }
    }
}

void PrintFormat::AppendTo(std::string& out, std::initializer_list<FormatArg> args) const {
    StringOut target{out};
    Staged<StringOut> staged(target);
    Fill(staged, args);
}

void PrintFormat::WriteTo(TextSink& out, std::initializer_list<FormatArg> args) const {
    SinkOut target{out};
    Staged<SinkOut> staged(target);
    Fill(staged, args);
}

std::string PrintFormat::Format(std::initializer_list<FormatArg> args) const {
    std::string out;
    AppendTo(out, args);
    return out;
}

}  // namespace kvd
