#include "devicelink/safe_file_name.h"

#include <algorithm>
#include <cctype>

namespace kvd {

std::optional<std::string> SafeBaseName(std::string_view name) {
    if (const auto separator = name.find_last_of("/\\"); separator != std::string_view::npos)
        name.remove_prefix(separator + 1);
    // "C:x" names a file relative to drive C's current folder; a stream suffix "x:y" is no
    // better. Only the text after the last colon is a plain name.
    if (const auto colon = name.find_last_of(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);

    const bool onlyDotsAndSpaces =
        name.find_first_not_of(". ") == std::string_view::npos;  // also true when empty
    const bool hasControlByte = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (onlyDotsAndSpaces || hasControlByte) return std::nullopt;
    return std::string(name);
}

}  // namespace kvd
