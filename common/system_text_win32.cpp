#include <windows.h>

#include <cwchar>

#include "common/system_text.h"

namespace kvd {
namespace {

std::u16string_view Wide(const wchar_t* text, std::size_t length) {
    return {reinterpret_cast<const char16_t*>(text), length};
}

}  // namespace

// The C library's texts are English; taken wide, they need no code page either.
std::string ErrnoText(int errorNumber) {
    wchar_t text[256] = {};
    if (_wcserror_s(text, sizeof text / sizeof text[0], errorNumber) != 0 || text[0] == 0)
        return "error " + std::to_string(errorNumber);
    return TidySystemText(Wide(text, std::wcslen(text)));
}

// Wide, so that a Japanese system's text is not squeezed through the ANSI code page; language
// 0 lets the system pick the user's language and fall back to English.
std::string SystemErrorText(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string tidy = length != 0 && text != nullptr ? TidySystemText(Wide(text, length)) : "";
    if (text != nullptr) LocalFree(text);
    return tidy.empty() ? "system error " + std::to_string(code) : tidy;
}

std::string ErrorCodeText(const std::error_code& code) {
    if (code.category() == std::system_category())
        return SystemErrorText(static_cast<unsigned long>(code.value()));
    if (code.category() == std::generic_category()) return ErrnoText(code.value());
    return code.message();
}

std::string AlreadyExistsText() { return SystemErrorText(ERROR_ALREADY_EXISTS); }

}  // namespace kvd
