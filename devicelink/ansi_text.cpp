#include "devicelink/ansi_text.h"

#include "common/utf8.h"

namespace kvd {

std::optional<std::string> AnsiToUtf8(std::string_view text) {
    const std::optional<std::u16string> wide = AnsiToWide(text);
    if (!wide) return std::nullopt;
    return Utf16ToUtf8(*wide);
}

}  // namespace kvd
