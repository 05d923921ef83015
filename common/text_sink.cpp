#include "common/text_sink.h"

#include <algorithm>
#include <bit>
#include <span>

#include "common/utf8.h"

namespace kvd {
namespace {

constexpr std::size_t kLongestCharacter = 4;  // bytes, in either encoding

// UTF-16LE is the memory order of char16_t on every platform we build for.
static_assert(std::endian::native == std::endian::little);

std::size_t AsciiPrefixLength(std::string_view text) {
    std::size_t i = 0;
    // Eight bytes at a time while no high bit is set; the compiler turns the copy into a load.
    while (i + 8 <= text.size()) {
        uint64_t word;
        std::copy_n(text.data() + i, 8, reinterpret_cast<char*>(&word));
        if ((word & 0x8080808080808080u) != 0) break;
        i += 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

}  // namespace

TextSink::TextSink(ByteSink& sink, TextEncoding encoding, std::size_t bufferBytes)
    : sink_(sink),
      unitBytes_(encoding == TextEncoding::Utf16Le ? 2 : 1),
      capacity_(std::max(bufferBytes, 2 * kLongestCharacter) & ~std::size_t{1}),
      units_(std::make_unique_for_overwrite<char16_t[]>(capacity_ / 2)) {}

void TextSink::AppendMixed(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (capacity_ - used_ < kLongestCharacter) Flush();
        const std::size_t room = (capacity_ - used_) / unitBytes_;
        const std::size_t run =
            AsciiPrefixLength(utf8.substr(pos, std::min(room, utf8.size() - pos)));
        PutAscii(utf8.substr(pos, run));
        pos += run;
        if (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) >= 0x80) {
            if (capacity_ - used_ < kLongestCharacter) Flush();
            PutCharacter(DecodeUtf8(utf8, pos));
        }
    }
}

void TextSink::Append(char32_t c) {
    if (capacity_ - used_ < kLongestCharacter) Flush();
    PutCharacter(c);
}

void TextSink::AppendRepeated(char ascii, std::size_t count) {
    const char run[16] = {ascii, ascii, ascii, ascii, ascii, ascii, ascii, ascii,
                          ascii, ascii, ascii, ascii, ascii, ascii, ascii, ascii};
    for (; count > sizeof run; count -= sizeof run) Append(std::string_view(run, sizeof run));
    Append(std::string_view(run, count));
}

void TextSink::PutCharacter(char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
    if (unitBytes_ == 2) {
        char16_t* out = units_.get() + used_ / 2;
        if (c < 0x10000) {
            out[0] = static_cast<char16_t>(c);
            used_ += 2;
        } else {
            out[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            used_ += 4;
        }
        return;
    }
    std::string encoded;  // at most four bytes: kept in the small-string buffer
    AppendUtf8(encoded, c);
    std::copy(encoded.begin(), encoded.end(), reinterpret_cast<char*>(units_.get()) + used_);
    used_ += encoded.size();
}

void TextSink::Flush() {
    if (used_ == 0) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(units_.get());
    if (error_.empty()) {
        if (!sink_.Write(std::span<const uint8_t>(bytes, used_), error_) && error_.empty()) {
            error_ = "write failed";
        }
    }  // else the file is lost already: keep dropping text, memory stays flat
    used_ = 0;
}

bool TextSink::Finish(std::string& error) {
    Flush();
    error = error_;
    return error_.empty();
}

}  // namespace kvd
