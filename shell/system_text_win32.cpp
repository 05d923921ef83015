#include <windows.h>

#include "common/utf8.h"
#include "shell/system_text.h"

namespace kvd {

std::string AlreadyExistsText() {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, ERROR_ALREADY_EXISTS, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return "ERROR_ALREADY_EXISTS (183)";
    std::u16string wide(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == u'\n' || wide.back() == u'\r')) wide.pop_back();
    return Utf16ToUtf8(wide);
}

}  // namespace kvd
