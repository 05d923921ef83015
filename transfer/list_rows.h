// The device's list reply turned into the rows of the file list: one row per slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvd {

struct RowEntry {
    std::string name;     // UTF-8; empty for an invalid row
    int32_t size = -1;    // -1: none
    bool invalid = true;  // the slot holds no file; the row cannot be selected
};

inline constexpr int kGpsLogRowCount = 10;
inline constexpr int kUpdateRowCount = 20;

// Always rowCount rows; entries beyond rowCount are ignored, missing ones stay invalid.
std::vector<RowEntry> ApplyListReply(const std::string& replyText, int rowCount);

}  // namespace kvd
