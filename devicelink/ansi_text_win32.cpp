// On Windows device texts are in the ANSI code page of the system.
#include <windows.h>

#include "common/utf8.h"
#include "devicelink/ansi_text.h"

namespace kvd {

std::optional<std::u16string> AnsiToWide(std::string_view text) {
    if (text.empty()) return std::u16string();
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::u16string wide(static_cast<std::size_t>(n), u'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                              n) != n)
        return std::nullopt;
    return wide;
}

std::string Utf8ToAnsi(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    if (wide.empty()) return {};
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int size = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(CP_ACP, 0, units, size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string ansi(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, units, size, ansi.data(), n, nullptr, nullptr);
    return ansi;
}

}  // namespace kvd
