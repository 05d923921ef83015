#include "win32/wide_text.h"

#include "common/utf8.h"

namespace kvd::win32 {

// wchar_t is UTF-16 on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::string_view utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    return {text.begin(), text.end()};
}

std::string Utf8(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace kvd::win32
