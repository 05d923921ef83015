// The core's UTF-8 texts as the wide texts of the Windows API, and back.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kvd::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A window's whole text.
std::wstring WindowText(HWND window);

}  // namespace kvd::win32
