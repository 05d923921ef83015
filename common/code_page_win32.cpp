#include <windows.h>

#include "common/code_page.h"
#include "common/utf8.h"

namespace kvd {

std::optional<std::string> CodePageToUtf8(std::string_view bytes) {
    if (bytes.empty()) return std::string();
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), length);
    return Utf16ToUtf8(wide);
}

std::optional<std::string> Utf8ToCodePage(std::string_view text) {
    if (text.empty()) return std::string();
    if (GetACP() == CP_UTF8) return std::string(text);  // the check below is refused for UTF-8
    const std::u16string wide = Utf8ToUtf16(text);
    const auto* source = reinterpret_cast<const wchar_t*>(wide.data());
    const int sourceLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, sourceLength,
                                           nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, source, sourceLength, bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}

}  // namespace kvd
