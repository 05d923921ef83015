// Device texts are bytes in the system's ANSI code page: UTF-8 on Linux, CP_ACP on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvd {

// The text as UTF-16; none when the system cannot convert it. Invalid bytes become U+FFFD.
std::optional<std::u16string> AnsiToWide(std::string_view text);

// The text as UTF-8, for the core's own strings.
std::optional<std::string> AnsiToUtf8(std::string_view text);

// A UTF-8 text in the ANSI code page, for the device; a character the code page lacks
// becomes the code page's default character.
std::string Utf8ToAnsi(std::string_view text);

}  // namespace kvd
