#pragma once

#include <cstdint>
#include <string_view>

namespace kvd {

// The integer prefix of a text as atoi reads it (leading white space, an optional sign, the
// digits up to the first non-digit; 0 without digits), saturated to 32 bits instead of
// overflowing: device texts may hold any number of digits.
int32_t AtoiSaturated(std::string_view text);

}  // namespace kvd
