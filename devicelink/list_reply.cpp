#include "devicelink/list_reply.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "common/number_text.h"
#include "devicelink/ansi_text.h"
#include "devicelink/link_context.h"

namespace kvd {
namespace {

// The one reading of quotes in a list reply: every double quote switches between inside and
// outside quotes and belongs to no name or size; a NUL ends the text.
class QuoteTracker {
  public:
    // False at the end of the text.
    bool Take(char c) {
        if (c == '\0') return false;
        if (c == '"') inQuotes_ = !inQuotes_;
        return true;
    }
    bool InQuotes() const { return inQuotes_; }
    static bool IsQuote(char c) { return c == '"'; }

  private:
    bool inQuotes_ = false;
};

// Position just after the space outside quotes that ends the entry starting at `start`; npos
// when the line has none.
std::size_t EntryEnd(std::string_view text, std::size_t start) {
    QuoteTracker quotes;
    for (std::size_t i = start; i < text.size() && quotes.Take(text[i]); ++i) {
        if (text[i] == ' ' && !quotes.InQuotes()) return i + 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::vector<std::string_view> ListReplyEntries(std::string_view replyText, std::size_t maxEntries) {
    std::vector<std::string_view> entries;
    // The entries follow the command word and the status word.
    std::size_t at = replyText.find(' ');
    if (at != std::string_view::npos) at = replyText.find(' ', at + 1);
    if (at == std::string_view::npos) return entries;
    ++at;
    while (entries.size() < maxEntries) {
        entries.push_back(replyText.substr(at));
        at = EntryEnd(replyText, at);
        if (at == std::string_view::npos) break;
    }
    return entries;
}

bool IsEmptySlotEntry(std::string_view entry) {
    return !entry.empty() && entry[0] == '0' && (entry.size() == 1 || entry[1] != ',');
}

int32_t ParseListEntry(std::string_view text, ListEntry& entry) {
    std::string token;
    QuoteTracker quotes;
    bool haveName = false;
    for (const char c : text) {
        if (!quotes.Take(c)) break;
        if (QuoteTracker::IsQuote(c)) continue;
        if (c == ',') {
            // A comma ends the name wherever it stands, inside quotes too.
            entry.name = AnsiToUtf8(token);
            if (!entry.name) return 0;
            haveName = true;
            token.clear();
        } else if (c == ' ' && !quotes.InQuotes() && haveName) {
            entry.size = AtoiSaturated(token);
            return 1;
        } else if (token.size() < kMaxWordLength) {
            token.push_back(c);  // a longer name is cut to the word limit
        }
    }
    return 0;
}

}  // namespace kvd
