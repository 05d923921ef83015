// The list reply: one entry, and the whole line turned into rows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devicelink/devicelink.h"
#include "transfer/transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kvd::ListEntry entry;
    const int32_t parsed = kvd::ParseListEntry(text, entry);
    if (parsed == 1 && !entry.name) __builtin_trap();
    for (const int rows : {10, 20}) {
        const auto result = kvd::ApplyListReply(text, rows);
        if (result.size() != static_cast<std::size_t>(rows)) __builtin_trap();
        for (const kvd::RowEntry& row : result) {
            if (row.invalid && (!row.name.empty() || row.size != -1)) __builtin_trap();
        }
    }
    return 0;
}
