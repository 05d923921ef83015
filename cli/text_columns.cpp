#include "cli/text_columns.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/utf8.h"

namespace kvd::cli {
namespace {

using Range = std::pair<char32_t, char32_t>;

constexpr std::array kZeroWidth = {
    Range{0x0300, 0x036F},  // combining diacritical marks
    Range{0x200B, 0x200F},  // zero-width space, joiners, direction marks
    Range{0x3099, 0x309A},  // combining kana voiced sound marks
    Range{0xFE00, 0xFE0F},  // variation selectors
};

// East Asian Wide and Fullwidth blocks; the half-width katakana (U+FF61 on) stay narrow.
constexpr std::array kWide = {
    Range{0x1100, 0x115F},   Range{0x2E80, 0x303E},   Range{0x3041, 0x33FF},
    Range{0x3400, 0x4DBF},   Range{0x4E00, 0x9FFF},   Range{0xA000, 0xA4CF},
    Range{0xAC00, 0xD7A3},   Range{0xF900, 0xFAFF},   Range{0xFE30, 0xFE4F},
    Range{0xFF00, 0xFF60},   Range{0xFFE0, 0xFFE6},   Range{0x1F300, 0x1F64F},
    Range{0x1F900, 0x1F9FF}, Range{0x20000, 0x2FFFD}, Range{0x30000, 0x3FFFD},
};

template <std::size_t N>
bool InRanges(char32_t c, const std::array<Range, N>& ranges) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [c](const Range& r) { return c >= r.first && c <= r.second; });
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = DecodeUtf8(utf8, pos);
        if (InRanges(c, kZeroWidth)) continue;
        width += InRanges(c, kWide) ? 2 : 1;
    }
    return width;
}

std::string PadToWidth(std::string_view utf8, std::size_t width) {
    std::string padded(utf8);
    const std::size_t used = DisplayWidth(utf8);
    if (used < width) padded.append(width - used, ' ');
    return padded;
}

}  // namespace kvd::cli
