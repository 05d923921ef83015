#include "devicelink/list_reply.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "devicelink/ansi_text.h"
#include "devicelink/link_context.h"

namespace kvd {

int32_t AtoiSaturated(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'),
                                  int64_t{std::numeric_limits<int32_t>::max()} + 1);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t ParseListEntry(std::string_view text, ListEntry& entry) {
    std::string token;
    bool inQuotes = false;
    bool haveName = false;
    for (const char c : text) {
        if (c == '\0') break;
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ',') {
            // A comma ends the name wherever it stands, inside quotes too.
            entry.name = AnsiToUtf8(token);
            if (!entry.name) return 0;
            haveName = true;
            token.clear();
        } else if (c == ' ' && !inQuotes && haveName) {
            entry.size = AtoiSaturated(token);
            return 1;
        } else if (token.size() < kMaxWordLength) {
            token.push_back(c);  // a longer name is cut to the word limit
        }
    }
    return 0;
}

}  // namespace kvd
