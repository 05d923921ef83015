#include "devicelink/ymodem_block.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "common/number_text.h"
#include "devicelink/link_context.h"

namespace kvd {
namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

uint16_t StoredCrc(const uint8_t* block) {
    const uint8_t* crc = block + kBlockHead + BlockDataLength(block[0]);
    return static_cast<uint16_t>(crc[0] << 8 | crc[1]);
}

}  // namespace

uint16_t BlockCrc16(const uint8_t* data, std::size_t count) {
    uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

std::size_t BlockDataLength(uint8_t blockType) {
    return blockType == kStx ? kLongBlockData : kShortBlockData;
}

std::size_t BlockLength(uint8_t blockType) { return kBlockHead + BlockDataLength(blockType) + 2; }

void FrameBlock(uint8_t* block, uint8_t blockType, uint8_t blockNumber) {
    block[0] = blockType;
    block[1] = blockNumber;
    block[2] = static_cast<uint8_t>(~blockNumber);
    const std::size_t n = BlockDataLength(blockType);
    const uint16_t crc = BlockCrc16(block + kBlockHead, n);
    block[kBlockHead + n] = static_cast<uint8_t>(crc >> 8);
    block[kBlockHead + n + 1] = static_cast<uint8_t>(crc);
}

bool BlockCrcMatches(const uint8_t* block) {
    return StoredCrc(block) == BlockCrc16(block + kBlockHead, BlockDataLength(block[0]));
}

bool BlockComplementMatches(const uint8_t* block) {
    return block[1] == static_cast<uint8_t>(~block[2]);
}

bool FrameHeaderBlock(uint8_t* block, uint8_t blockType, std::string_view name,
                      std::string_view fields) {
    const std::size_t n = BlockDataLength(blockType);
    uint8_t* data = block + kBlockHead;
    std::memset(data, 0, n);
    if (!name.empty()) {
        if (name.size() + 1 + fields.size() > n) return false;
        std::memcpy(data, name.data(), name.size());
        std::memcpy(data + name.size() + 1, fields.data(), fields.size());
    }
    FrameBlock(block, blockType, 0);
    return true;
}

HeaderFields ReadHeaderFields(const uint8_t* block) {
    const char* data = reinterpret_cast<const char*>(block + kBlockHead);
    const std::size_t n = BlockDataLength(block[0]);
    HeaderFields fields;
    const std::size_t nameLength = strnlen(data, n);
    fields.name.assign(data, std::min(nameLength, kMaxLineLength));
    for (std::size_t i = nameLength + 1; i < n && data[i] != ' ' && data[i] != '\0'; ++i) {
        if (fields.sizeText.size() < kMaxWordLength) fields.sizeText.push_back(data[i]);
    }
    return fields;
}

int64_t ParseSizeField(std::string_view text) {
    // Saturation keeps a size of any number of digits above the limit.
    const int64_t value = AtoiSaturated(text);
    return value < 0 || value > kMaxTransferSize ? -1 : value;
}

std::string FormatOctal(uint64_t value) {
    std::string digits;
    for (; value != 0; value >>= 3)
        digits.insert(digits.begin(), static_cast<char>('0' + (value & 7)));
    return digits;
}

}  // namespace kvd
