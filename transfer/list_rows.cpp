#include "transfer/list_rows.h"

#include <algorithm>

#include "devicelink/list_reply.h"

namespace kvd {

std::vector<RowEntry> ApplyListReply(const std::string& replyText, int rowCount) {
    std::vector<RowEntry> rows(static_cast<std::size_t>(std::max(rowCount, 0)));
    const std::vector<std::string_view> entries = ListReplyEntries(replyText, rows.size());
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (IsEmptySlotEntry(entries[k])) continue;
        ListEntry entry;
        const int32_t parsed = ParseListEntry(entries[k], entry);
        if (!entry.name) continue;  // no name: the slot stays empty
        rows[k].name = *entry.name;
        rows[k].size = parsed ? entry.size : -1;
        rows[k].invalid = false;
    }
    return rows;
}

}  // namespace kvd
