// Terminal columns of UTF-8 text, so that tables stay aligned with Japanese names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvd::cli {

// Columns a terminal gives the text: two for East Asian wide and full-width characters,
// none for combining marks, one for everything else.
std::size_t DisplayWidth(std::string_view utf8);

// The text followed by spaces up to width columns; unchanged when it is that wide already.
std::string PadToWidth(std::string_view utf8, std::size_t width);

}  // namespace kvd::cli
