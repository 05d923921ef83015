// The device's list reply: `WORD STATUS ` and then one entry per slot, each ended by a space
// outside double quotes. A file entry is `"NAME",SIZE ` (quotes optional); an empty slot `0 `.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

struct ListEntry {
    std::optional<std::string> name;  // UTF-8; produced at every comma, the last one wins
    int32_t size = -1;                // set only when the result is 1
};

// The entries of a reply line in slot order, at most maxEntries. Each runs from its first
// character to the end of the line, as ParseListEntry takes it.
std::vector<std::string_view> ListReplyEntries(std::string_view replyText, std::size_t maxEntries);

// An entry that stands for an empty slot: "0" not directly followed by ",".
bool IsEmptySlotEntry(std::string_view entry);

// Parses the entry at the start of `text` (which runs on to the end of the reply line).
// 1 when name and size were read, 0 otherwise (the name may still have been produced).
int32_t ParseListEntry(std::string_view text, ListEntry& entry);

}  // namespace kvd
