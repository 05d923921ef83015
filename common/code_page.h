// The system's 8-bit code page, for files written by programs that know no Unicode.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvd {

// The bytes as UTF-8; none when the code page cannot read them.
std::optional<std::string> CodePageToUtf8(std::string_view bytes);

// UTF-8 text in the code page; none when a character has no place in it.
std::optional<std::string> Utf8ToCodePage(std::string_view text);

}  // namespace kvd
