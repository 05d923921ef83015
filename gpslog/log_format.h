// The device's GPS log file: 16-byte little-endian blocks, a header block and then one
// block per fix at a fixed interval. Shared by the reader, the virtual device and the
// benchmarks, which build logs with the encoders below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvd {

inline constexpr std::size_t kLogBlockSize = 16;
using LogBlock = std::array<uint8_t, kLogBlockSize>;
inline constexpr std::size_t kFixValidByte = 13;  // offset of the valid flag in a fix block

// Block 0. The date and time are local calendar time of the PC: the first valid fix.
struct LogHeader {
    uint16_t interval = 1;  // seconds between fix blocks
    uint16_t year = 2013;
    uint8_t month = 1;
    uint8_t day = 1;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;

    bool operator==(const LogHeader&) const = default;
};

// One fix block in its raw units. Latitude and longitude carry no sign.
struct FixBlock {
    uint32_t latitude = 0;   // millionths of a degree
    uint32_t longitude = 0;  // millionths of a degree
    uint16_t speed = 0;      // hundredths of the device's speed unit
    uint16_t direction = 0;  // tenths of a degree
    uint8_t mark = 0;        // non-zero: the user marked this fix
    uint8_t valid = 0;       // 0: the block holds no position

    bool operator==(const FixBlock&) const = default;
};

LogBlock EncodeLogHeader(const LogHeader& header);
LogBlock EncodeFixBlock(const FixBlock& fix);

// Whether a fix block holds a position on the earth: its valid flag is set and its latitude
// and longitude are within 90 and 180 degrees. Any other block is one without a position.
bool HoldsPosition(const FixBlock& fix);

// Decoders read exactly kLogBlockSize bytes from block.
LogHeader DecodeLogHeader(const uint8_t* block);
FixBlock DecodeFixBlock(const uint8_t* block);

// A whole log file: the header block followed by the fix blocks.
std::vector<uint8_t> EncodeLog(const LogHeader& header, std::span<const FixBlock> fixes);

// A plausible trip, the same for the same arguments on every platform: a car leaving
// central Tokyo with stops, turns and speed changes, a few marked fixes, invalid blocks
// before the first position and runs of them later (tunnels).
struct SyntheticTrip {
    LogHeader header;
    std::vector<FixBlock> fixes;
};
SyntheticTrip MakeSyntheticTripBlocks(uint64_t seed, uint32_t fixCount, uint16_t interval);

// The same trip as the bytes of a log file.
std::vector<uint8_t> MakeSyntheticTrip(uint64_t seed, uint32_t fixCount, uint16_t interval);

}  // namespace kvd
