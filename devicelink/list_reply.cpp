#include "devicelink/list_reply.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "common/number_text.h"
#include "devicelink/ansi_text.h"
#include "devicelink/link_context.h"

namespace kvd {

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
