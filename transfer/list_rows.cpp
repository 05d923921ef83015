#include "transfer/list_rows.h"

#include "devicelink/list_reply.h"

namespace kvd {
namespace {

// Position after the space that ends the entry starting at `start`; npos when there is none.
std::size_t NextEntry(const std::string& text, std::size_t start) {
    bool inQuotes = false;
    for (std::size_t i = start; i < text.size() && text[i] != '\0'; ++i) {
        if (text[i] == '"') inQuotes = !inQuotes;
        if (text[i] == ' ' && !inQuotes) return i + 1;
    }
    return std::string::npos;
}

bool IsEmptySlot(const std::string& text, std::size_t at) {
    return at < text.size() && text[at] == '0' && (at + 1 >= text.size() || text[at + 1] != ',');
}

}  // namespace

std::vector<RowEntry> ApplyListReply(const std::string& replyText, int rowCount) {
    std::vector<RowEntry> rows(static_cast<std::size_t>(std::max(rowCount, 0)));
    // The entries follow the command word and the status word.
    std::size_t at = replyText.find(' ');
    if (at != std::string::npos) at = replyText.find(' ', at + 1);
    if (at == std::string::npos) return rows;
    ++at;
    for (RowEntry& row : rows) {
        if (!IsEmptySlot(replyText, at)) {
            ListEntry entry;
            const int32_t parsed = ParseListEntry(std::string_view(replyText).substr(at), entry);
            if (entry.name) {
                row.name = *entry.name;
                row.size = parsed ? entry.size : -1;
                row.invalid = false;
            }
        }
        at = NextEntry(replyText, at);
        if (at == std::string::npos) break;
    }
    return rows;
}

}  // namespace kvd
