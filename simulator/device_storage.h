// What the virtual device holds: 10 log slots and 20 record slots.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kvd::sim {

struct StoredFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

using Slot = std::optional<StoredFile>;

struct DeviceStorage {
    static constexpr int kLogSlots = 10;
    static constexpr int kRecordSlots = 20;
    std::array<Slot, kLogSlots> logs;
    std::array<Slot, kRecordSlots> records;
};

// The list reply line: "WORD 0 " then per slot `0 ` or `"NAME",SIZE `, then a line feed.
std::string FormatListReply(const std::string& word, std::span<const Slot> slots);

// Reads a whole file; throws std::runtime_error naming the file and the cause.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace kvd::sim
