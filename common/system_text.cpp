#include "common/system_text.h"

#include "common/utf8.h"

namespace kvd {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

std::string TidySystemText(std::u16string_view text) {
    std::u16string line;
    // A long text may be broken over lines; it is shown as one.
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == u'\r' || text[k] == u'\n') {
            if (!line.empty() && !IsSpace(line.back())) line += u' ';
        } else {
            line += text[k];
        }
    }
    while (!line.empty() && IsSpace(line.back())) line.pop_back();
    if (!line.empty() && (line.back() == u'.' || line.back() == u'\u3002')) line.pop_back();
    while (!line.empty() && IsSpace(line.back())) line.pop_back();
    return Utf16ToUtf8(line);
}

}  // namespace kvd
