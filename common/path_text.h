// Local paths to and from the core's UTF-8 texts. Windows keeps paths in UTF-16, and a
// std::filesystem::path built from a narrow string there reads it in the ANSI code page, whose
// string() throws on a name that the code page cannot spell; these go through UTF-8 instead.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kvd {

std::filesystem::path PathFromUtf8(std::string_view text);

std::string PathToUtf8(const std::filesystem::path& path);

// std::fopen for a path of any spelling (the wide call on Windows).
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

}  // namespace kvd
