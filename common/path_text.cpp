#include "common/path_text.h"

#include "common/utf8.h"

namespace kvd {

#ifdef _WIN32

namespace {

std::wstring Wide(std::string_view text) {
    const std::u16string units = Utf8ToUtf16(text);
    return std::wstring(units.begin(), units.end());
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(Wide(text));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return ::_wfopen(path.c_str(), Wide(mode).c_str());
}

#else

// Paths are bytes, and our texts UTF-8: nothing to convert.
std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string PathToUtf8(const std::filesystem::path& path) { return path.native(); }

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

#endif

}  // namespace kvd
