// YMODEM block framing and the CRC, shared by both directions and by the virtual device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devicelink/devicelink.h"  // kMaxTransferSize

namespace kvd {

inline constexpr uint8_t kRequest = 'C';  // asks for block 0; from this device also an ACK
inline constexpr uint8_t kSoh = 0x01;     // block of 128 data bytes
inline constexpr uint8_t kStx = 0x02;     // block of 1024 data bytes
inline constexpr uint8_t kEot = 0x04;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kCan = 0x18;
inline constexpr uint8_t kSub = 0x1A;  // padding after the end of a file

inline constexpr std::size_t kLongBlockData = 1024;
inline constexpr std::size_t kShortBlockData = 128;
inline constexpr std::size_t kBlockHead = 3;  // type, number, complement
inline constexpr std::size_t kLongBlockLength = kBlockHead + kLongBlockData + 2;
inline constexpr std::size_t kShortBlockLength = kBlockHead + kShortBlockData + 2;

// CRC-16/XMODEM: polynomial 0x1021, initial 0, no reflection, no final XOR.
uint16_t BlockCrc16(const uint8_t* data, std::size_t count);

// Data bytes of a block of this type: 1024 for STX, 128 for anything else.
std::size_t BlockDataLength(uint8_t blockType);
// Whole block on the wire: 1029 for STX, 133 for anything else.
std::size_t BlockLength(uint8_t blockType);

// Writes type, number and complement in front of the data already at block + 3, and the CRC
// behind it, high byte first.
void FrameBlock(uint8_t* block, uint8_t blockType, uint8_t blockNumber);

bool BlockCrcMatches(const uint8_t* block);
bool BlockComplementMatches(const uint8_t* block);

// Fills the data of block 0 with the name, a NUL and `fields` ("SIZE MTIME MODE "), the rest
// zero, and frames it. An empty name gives the all-zero block that ends a batch.
// False when name and fields do not fit the data.
bool FrameHeaderBlock(uint8_t* block, uint8_t blockType, std::string_view name,
                      std::string_view fields);

struct HeaderFields {
    std::string name;      // up to the first NUL; empty ends the batch
    std::string sizeText;  // from after the name's NUL to the next space or NUL
};

// Reads the name and size field of block 0, staying inside its data.
HeaderFields ReadHeaderFields(const uint8_t* block);

// The size field as a byte count; -1 when it is negative, unreadable as a number or larger
// than kMaxTransferSize. Leading white space is skipped and the digits end at the first
// non-digit, as the device writes it; no digits at all read as 0.
int64_t ParseSizeField(std::string_view text);

// Octal digits of value without leading zeros; empty for 0.
std::string FormatOctal(uint64_t value);

}  // namespace kvd
