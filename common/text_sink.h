// Text on its way to a file: appended as UTF-8, encoded straight into one fixed buffer as
// UTF-16LE or UTF-8, and handed to a ByteSink whenever the buffer fills. A document of any
// length is written with this buffer alone, and without an allocation per piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/byte_sink.h"

namespace kvd {

enum class TextEncoding { Utf8, Utf16Le };

class TextSink {
  public:
    static constexpr std::size_t kDefaultBufferBytes = 256 * 1024;

    TextSink(ByteSink& sink, TextEncoding encoding, std::size_t bufferBytes = kDefaultBufferBytes);
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    // Appends UTF-8 text; an ill-formed sequence becomes U+FFFD, as Utf8ToUtf16 has it.
    void Append(std::string_view utf8) {
        // Nearly everything written is short ASCII: markup, digits, names.
        if (utf8.size() <= kShortText && utf8.size() * unitBytes_ <= capacity_ - used_ &&
            IsAscii(utf8)) {
            PutAscii(utf8);
            return;
        }
        AppendMixed(utf8);
    }
    // Appends one character; a surrogate or a value past U+10FFFF becomes U+FFFD.
    void Append(char32_t c);
    void AppendRepeated(char ascii, std::size_t count);
    TextEncoding Encoding() const {
        return unitBytes_ == 2 ? TextEncoding::Utf16Le : TextEncoding::Utf8;
    }

    // Writes what is buffered; false with the first write error. After an error the rest
    // of the text is dropped unwritten.
    bool Finish(std::string& error);

  private:
    static constexpr std::size_t kShortText = 64;

    static bool IsAscii(std::string_view text) {
        unsigned char any = 0;
        for (const char c : text) any |= static_cast<unsigned char>(c);
        return any < 0x80;
    }
    // Copies or widens ASCII that fits in the buffer.
    void PutAscii(std::string_view ascii) {
        if (unitBytes_ == 2) {
            char16_t* out = units_.get() + used_ / 2;
            for (std::size_t i = 0; i < ascii.size(); ++i) {
                out[i] = static_cast<unsigned char>(ascii[i]);
            }
        } else {
            auto* out = reinterpret_cast<char*>(units_.get()) + used_;
            for (std::size_t i = 0; i < ascii.size(); ++i) out[i] = ascii[i];
        }
        used_ += ascii.size() * unitBytes_;
    }
    void AppendMixed(std::string_view utf8);
    void PutCharacter(char32_t c);  // room for four bytes assured
    void Flush();

    ByteSink& sink_;
    std::size_t unitBytes_;  // 2 for UTF-16, 1 for UTF-8
    std::size_t capacity_;   // bytes
    std::size_t used_ = 0;   // bytes
    // char16_t storage keeps the widening loop free of aliasing doubts; UTF-8 uses it as bytes.
    std::unique_ptr<char16_t[]> units_;
    std::string error_;
};

}  // namespace kvd
