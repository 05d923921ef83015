#include "simulator/ymodem_device_sender.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>

#include "devicelink/ymodem_block.h"

namespace kvd::sim {
namespace {

constexpr int kMaxResends = 10;
constexpr uint8_t kStrayByte = 0x55;

using BlockBuffer = std::array<uint8_t, kLongBlockLength>;

enum class HostAnswer { Ack, Request, Nak, Cancel, Garbled, Silent };

// Waits for an answer byte; nothing within the wait counts as the host having given up.
HostAnswer ReadAnswer(const YmodemDeviceSide& side) {
    uint8_t byte = 0;
    if (!side.wire.ReadByte(byte, kHostAnswerWaitMs)) return HostAnswer::Silent;
    switch (byte) {
        case kAck:
            return HostAnswer::Ack;
        case kRequest:
            return HostAnswer::Request;
        case kNak:
            return HostAnswer::Nak;
        case kCan:
            TakeHostCancel(side);
            return HostAnswer::Cancel;
        default:
            NoteStrayByte(side, byte);
            return HostAnswer::Garbled;
    }
}

// Anything but "C" before a block 0 is left over from earlier and passed by.
bool WaitForRequest(const YmodemDeviceSide& side) {
    for (;;) {
        switch (ReadAnswer(side)) {
            case HostAnswer::Request:
                return true;
            case HostAnswer::Cancel:
            case HostAnswer::Silent:
                return false;
            case HostAnswer::Ack:
            case HostAnswer::Nak:
            case HostAnswer::Garbled:
                break;
        }
    }
}

// Sends `bytes` until the host answers with one of `taken`. An answer garbled on the line
// asks for them again, as does NAK where `nakResends`, up to the resend limit.
bool SendUntilAnswered(const YmodemDeviceSide& side, const uint8_t* bytes, std::size_t length,
                       std::initializer_list<HostAnswer> taken, bool nakResends = true) {
    for (int attempt = 0; attempt <= kMaxResends; ++attempt) {
        side.wire.Send(bytes, length);
        const HostAnswer answer = ReadAnswer(side);
        if (std::find(taken.begin(), taken.end(), answer) != taken.end()) return true;
        const bool again =
            answer == HostAnswer::Garbled || (answer == HostAnswer::Nak && nakResends);
        if (!again) return false;
    }
    side.Note("batch: given up");
    return false;
}

// Sends a block until the host takes it: ACK or "C" go on, NAK asks for it again.
bool SendUntilTaken(const YmodemDeviceSide& side, const uint8_t* block, std::size_t length) {
    return SendUntilAnswered(side, block, length, {HostAnswer::Ack, HostAnswer::Request});
}

std::string SizeField(const YmodemDeviceSide& side, std::size_t size) {
    const auto bytes = static_cast<int64_t>(size);
    if (side.faultActive(FaultKind::SizeLarger)) return std::to_string(bytes + 2048);
    if (side.faultActive(FaultKind::SizeSmaller)) return std::to_string(bytes / 2);
    if (side.faultActive(FaultKind::SizeNegative))
        return std::to_string(-std::max<int64_t>(bytes, 1));
    if (side.faultActive(FaultKind::SizeHuge)) return "99999999999";
    return std::to_string(bytes);
}

// Block 0 goes out at full length even for 128-byte blocks: that is how this device sends it.
bool SendHeader(const YmodemDeviceSide& side, uint8_t blockType, const std::string& name,
                const std::string& fields) {
    BlockBuffer block{};
    FrameHeaderBlock(block.data(), blockType, name, fields);
    return SendUntilTaken(side, block.data(), block.size());
}

bool SendFileData(const YmodemDeviceSide& side, uint8_t blockType, const StoredFile& file) {
    const std::size_t n = BlockDataLength(blockType);
    const std::size_t blocks = (file.bytes.size() + n - 1) / n;
    BlockBuffer block{};
    for (std::size_t k = 1; k <= blocks; ++k) {
        const auto index = static_cast<int64_t>(k);
        if (side.FaultAtBlock(FaultKind::Unplug, index - 1)) {
            side.wire.Unplug();
            return false;
        }
        if (side.FaultAtBlock(FaultKind::Stall, index - 1)) return false;
        if (side.FaultAtBlock(FaultKind::Cancel, index)) {
            side.wire.Send(&kCan, 1);
            return false;
        }
        if (side.FaultAtBlock(FaultKind::Garbage, index)) {
            side.wire.Send(&kStrayByte, 1);
            return false;
        }
        const std::size_t offset = (k - 1) * n;
        const std::size_t count = std::min(n, file.bytes.size() - offset);
        std::memcpy(block.data() + kBlockHead, file.bytes.data() + offset, count);
        std::memset(block.data() + kBlockHead + count, kSub, n - count);
        const bool skip = side.FaultAtBlock(FaultKind::SkipBlock, index);
        FrameBlock(block.data(), blockType, static_cast<uint8_t>(skip ? k + 1 : k));
        if (side.FaultAtBlock(FaultKind::BadCrc, index)) block[kBlockHead + n] ^= 0xFF;
        if (side.FaultAtBlock(FaultKind::BadComplement, index)) block[2] ^= 0x01;

        const std::size_t length = BlockLength(blockType);
        if (!SendUntilTaken(side, block.data(), length)) return false;
        if (side.FaultAtBlock(FaultKind::RepeatBlock, index) &&
            !SendUntilTaken(side, block.data(), length))
            return false;
    }
    return true;
}

// The first EOT is taken with NAK (or ACK), the second with ACK; a NAK there ends the batch.
bool SendEndOfFile(const YmodemDeviceSide& side) {
    if (!SendUntilAnswered(side, &kEot, 1, {HostAnswer::Nak, HostAnswer::Ack})) return false;
    const uint8_t& second = side.faultActive(FaultKind::BrokenEot) ? kStrayByte : kEot;
    return SendUntilAnswered(side, &second, 1, {HostAnswer::Ack}, false);
}

}  // namespace

bool SendBatch(const YmodemDeviceSide& side, std::span<const StoredFile> files) {
    const uint8_t blockType = side.dataBlockSize == 128 ? kSoh : kStx;
    std::string fileTail(1, ' ');
    fileTail.append(FormatOctal(static_cast<uint64_t>(std::time(nullptr)))).append(" 100644 ");
    for (const StoredFile& file : files) {
        const std::string name = side.faultActive(FaultKind::FileName) ? side.fault.arg : file.name;
        if (!WaitForRequest(side)) return false;
        if (!SendHeader(side, blockType, name, SizeField(side, file.bytes.size()) + fileTail))
            return false;
        // A device that sends an empty name has ended its batch there.
        if (name.empty()) return true;
        if (!SendFileData(side, blockType, file) || !SendEndOfFile(side)) return false;
    }
    return WaitForRequest(side) && SendHeader(side, blockType, "", "");
}

}  // namespace kvd::sim
