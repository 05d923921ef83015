// One file entry of the device's list reply: `"NAME",SIZE ` (quotes optional).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvd {

struct ListEntry {
    std::optional<std::string> name;  // UTF-8; produced at every comma, the last one wins
    int32_t size = -1;                // set only when the result is 1
};

// Parses the entry at the start of `text` (which runs on to the end of the reply line).
// 1 when name and size were read, 0 otherwise (the name may still have been produced).
int32_t ParseListEntry(std::string_view text, ListEntry& entry);

}  // namespace kvd
