// On Linux the "ANSI code page" is UTF-8.
#include "common/utf8.h"
#include "devicelink/ansi_text.h"

namespace kvd {

std::optional<std::u16string> AnsiToWide(std::string_view text) { return Utf8ToUtf16(text); }

std::string Utf8ToAnsi(std::string_view text) { return std::string(text); }

}  // namespace kvd
