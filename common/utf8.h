// UTF-8 and UTF-16 conversions. Ill-formed input becomes U+FFFD, never an error: texts
// come from devices and files we do not control, and must still be shown and written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvd {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the scalar value at text[pos] and advances pos by at least one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t c);

// Appends c as one or two UTF-16 code units.
void AppendUtf16(std::u16string& out, char32_t c);

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace kvd
