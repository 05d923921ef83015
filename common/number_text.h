#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

namespace kvd {

// The integer prefix of a text as atoi reads it (leading white space, an optional sign, the
// digits up to the first non-digit; 0 without digits), saturated to 32 bits instead of
// overflowing: device texts may hold any number of digits.
int32_t AtoiSaturated(std::string_view text);

// std::to_chars(first, last, value, std::chars_format::fixed, precision), that is printf's
// "%.*f" in the C locale, digit for digit. Common coordinates and speeds take an exact
// integer path several times faster; the rest goes to the library.
std::to_chars_result FixedToChars(char* first, char* last, double value, int precision);

}  // namespace kvd
