#include "gpslog/log_format.h"

#include <algorithm>

namespace kvd {
namespace {

void Put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Get32(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
           (uint32_t{at[3]} << 24);
}

}  // namespace

LogBlock EncodeLogHeader(const LogHeader& header) {
    LogBlock block{};
    Put16(&block[2], header.interval);
    Put16(&block[8], header.year);
    block[10] = header.month;
    block[11] = header.day;
    block[12] = header.hour;
    block[13] = header.minute;
    block[14] = header.second;
    return block;
}

LogBlock EncodeFixBlock(const FixBlock& fix) {
    LogBlock block{};
    Put32(&block[0], fix.latitude);
    Put32(&block[4], fix.longitude);
    Put16(&block[8], fix.speed);
    Put16(&block[10], fix.direction);
    block[12] = fix.mark;
    block[kFixValidByte] = fix.valid;
    return block;
}

// Bytes 0-1, 4-7 and 15 of the header and 14-15 of a fix block carry nothing we use.
LogHeader DecodeLogHeader(const uint8_t* block) {
    LogHeader header;
    header.interval = Get16(block + 2);
    header.year = Get16(block + 8);
    header.month = block[10];
    header.day = block[11];
    header.hour = block[12];
    header.minute = block[13];
    header.second = block[14];
    return header;
}

FixBlock DecodeFixBlock(const uint8_t* block) {
    FixBlock fix;
    fix.latitude = Get32(block);
    fix.longitude = Get32(block + 4);
    fix.speed = Get16(block + 8);
    fix.direction = Get16(block + 10);
    fix.mark = block[12];
    fix.valid = block[kFixValidByte];
    return fix;
}

bool HoldsPosition(const FixBlock& fix) {
    constexpr uint32_t kLargestLatitude = 90'000'000;  // millionths of a degree
    constexpr uint32_t kLargestLongitude = 180'000'000;
    return fix.valid != 0 && fix.latitude <= kLargestLatitude && fix.longitude <= kLargestLongitude;
}

std::vector<uint8_t> EncodeLog(const LogHeader& header, std::span<const FixBlock> fixes) {
    std::vector<uint8_t> bytes((fixes.size() + 1) * kLogBlockSize);
    const LogBlock head = EncodeLogHeader(header);
    std::copy(head.begin(), head.end(), bytes.begin());
    auto at = bytes.begin() + kLogBlockSize;
    for (const FixBlock& fix : fixes) {
        const LogBlock block = EncodeFixBlock(fix);
        at = std::copy(block.begin(), block.end(), at);
    }
    return bytes;
}

}  // namespace kvd
