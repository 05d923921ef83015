#include "common/code_page.h"
#include "common/utf8.h"

namespace kvd {

// Text files here are UTF-8; a file that is not came from an 8-bit system and is read as
// Latin-1, which maps every byte to one character and back, so nothing is lost on rewrite.
std::optional<std::string> CodePageToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) AppendUtf8(text, static_cast<unsigned char>(byte));
    return text;
}

std::optional<std::string> Utf8ToCodePage(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = DecodeUtf8(text, pos);
        if (c > 0xFF) return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

}  // namespace kvd
