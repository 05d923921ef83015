#pragma once

#include <string>
#include <string_view>

namespace kvd::cli {

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view text);

}  // namespace kvd::cli
