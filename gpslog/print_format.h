// The catalogue's printf-style texts, parsed once and then filled many times. Formatting a
// day-long log calls these a million times; snprintf would dominate the conversion.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

class TextSink;

struct FormatArg {
    enum class Kind { Integer, Real, Text };
    Kind kind;
    int64_t integer = 0;
    double real = 0.0;
    std::string_view text;

    FormatArg(int value) : kind(Kind::Integer), integer(value) {}
    FormatArg(int64_t value) : kind(Kind::Integer), integer(value) {}
    FormatArg(double value) : kind(Kind::Real), real(value) {}
    FormatArg(std::string_view value) : kind(Kind::Text), text(value) {}
};

// Understands %d %i %f %lf %s %c %% with the 0 flag, a width and a precision, which is all
// that the catalogue uses. %s inserts its text unchanged: callers escape what needs it.
// Numbers print as printf prints them in the C locale.
class PrintFormat {
  public:
    explicit PrintFormat(std::string_view format);

    void AppendTo(std::string& out, std::initializer_list<FormatArg> args) const;
    // Fills the text straight into a document being written.
    void WriteTo(TextSink& out, std::initializer_list<FormatArg> args) const;
    std::string Format(std::initializer_list<FormatArg> args) const;

  private:
    struct Piece {
        std::string_view literal;  // printed before the conversion
        char conversion = 0;       // 0: the piece is only a literal
        bool zeroPad = false;
        int width = 0;
        int precision = -1;
    };
    template <typename Out>
    void Fill(Out& out, std::initializer_list<FormatArg> args) const;

    std::vector<Piece> pieces_;
};

}  // namespace kvd
