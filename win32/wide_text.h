// The core's UTF-8 texts as the wide texts of the Windows API, and back.
#pragma once

#include <string>
#include <string_view>

namespace kvd::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace kvd::win32
