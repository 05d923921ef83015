#include "simulator/ymodem_device_receiver.h"

#include <array>
#include <optional>

#include "devicelink/safe_file_name.h"
#include "devicelink/ymodem_block.h"

namespace kvd::sim {
namespace {

constexpr uint8_t kStrayByte = 0x55;
// Stray bytes in a row where a block should start before the device gives the batch up.
constexpr int kMaxStrayBytes = 10;

using BlockBuffer = std::array<uint8_t, kLongBlockLength>;

bool ReadBytes(const YmodemDeviceSide& side, uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!side.wire.ReadByte(bytes[i], kHostAnswerWaitMs)) return false;
    }
    return true;
}

void Answer(const YmodemDeviceSide& side, uint8_t byte) { side.wire.Send(&byte, 1); }

uint8_t GoAhead(const YmodemDeviceSide& side) {
    return side.faultActive(FaultKind::CInsteadOfAck) ? kRequest : kAck;
}

enum class FileOutcome { Received, EndOfBatch, Failed };

enum class BlockStart { Block, EndOfFile, Abandoned };

// Waits for the first byte of a block: STX or SOH, or EOT where `eotEnds`. CAN gives the batch
// up; any other byte is line noise, answered with NAK at once while the device keeps waiting.
BlockStart ReadBlockStart(const YmodemDeviceSide& side, uint8_t& type, bool eotEnds) {
    for (int stray = 0; stray < kMaxStrayBytes; ++stray) {
        if (!ReadBytes(side, &type, 1)) return BlockStart::Abandoned;
        if (type == kStx || type == kSoh) return BlockStart::Block;
        if (type == kEot && eotEnds) return BlockStart::EndOfFile;
        if (type == kCan) {
            TakeHostCancel(side);
            return BlockStart::Abandoned;
        }
        NoteStrayByte(side, type);
        Answer(side, kNak);
    }
    side.Note("batch: given up");
    return BlockStart::Abandoned;
}

// The data blocks of one file up to and including the end-of-file handshake.
bool ReceiveFileData(const YmodemDeviceSide& side, std::vector<uint8_t>& bytes) {
    BlockBuffer block{};
    uint8_t expected = 1;
    int64_t taken = 0;
    bool nakSent = false;
    for (;;) {
        const BlockStart start = ReadBlockStart(side, block[0], true);
        if (start == BlockStart::Abandoned) return false;
        if (start == BlockStart::EndOfFile) break;
        if (!ReadBytes(side, block.data() + 1, BlockLength(block[0]) - 1)) return false;
        if (!BlockCrcMatches(block.data()) || !BlockComplementMatches(block.data())) {
            Answer(side, kNak);
            continue;
        }
        const int64_t index = taken + 1;
        if (block[1] == expected) {
            if (side.FaultAtBlock(FaultKind::Nak, index) && !nakSent) {
                nakSent = true;
                Answer(side, kNak);
                continue;
            }
            if (side.FaultAtBlock(FaultKind::Unplug, index - 1)) {
                side.wire.Unplug();
                return false;
            }
            if (side.FaultAtBlock(FaultKind::Stall, index - 1)) return false;
            if (side.FaultAtBlock(FaultKind::Cancel, index)) {
                Answer(side, kCan);
                return false;
            }
            if (side.FaultAtBlock(FaultKind::Garbage, index)) {
                Answer(side, kStrayByte);
                return false;
            }
            const std::size_t n = BlockDataLength(block[0]);
            bytes.insert(bytes.end(), block.begin() + kBlockHead, block.begin() + kBlockHead + n);
            ++taken;
            ++expected;
        } else if (block[1] != static_cast<uint8_t>(expected - 1)) {
            return false;  // neither the next block nor a repeat of the last one
        }
        Answer(side, GoAhead(side));
    }
    if (side.faultActive(FaultKind::BrokenEot)) {
        Answer(side, kStrayByte);
        return false;
    }
    Answer(side, kNak);
    uint8_t second = 0;
    if (!ReadBytes(side, &second, 1) || second != kEot) return false;
    Answer(side, kAck);
    return true;
}

FileOutcome ReceiveFile(const YmodemDeviceSide& side, std::vector<StoredFile>& files) {
    Answer(side, kRequest);
    BlockBuffer block{};
    // Block 0 is taken at full length whatever its type, as this device reads it.
    if (ReadBlockStart(side, block[0], false) != BlockStart::Block ||
        !ReadBytes(side, block.data() + 1, block.size() - 1))
        return FileOutcome::Failed;
    if (!BlockCrcMatches(block.data()) || !BlockComplementMatches(block.data()))
        return FileOutcome::Failed;
    const HeaderFields fields = ReadHeaderFields(block.data());
    if (fields.name.empty()) {
        Answer(side, kAck);
        return FileOutcome::EndOfBatch;
    }
    const std::optional<std::string> name = SafeBaseName(fields.name);
    const int64_t size = ParseSizeField(fields.sizeText);
    if (!name || size < 0) {
        Answer(side, kCan);
        return FileOutcome::Failed;
    }
    Answer(side, GoAhead(side));
    StoredFile file{*name, {}};
    if (!ReceiveFileData(side, file.bytes)) return FileOutcome::Failed;
    if (static_cast<int64_t>(file.bytes.size()) < size) return FileOutcome::Failed;
    file.bytes.resize(static_cast<std::size_t>(size));  // the padding of the last block
    files.push_back(std::move(file));
    return FileOutcome::Received;
}

}  // namespace

bool ReceiveBatch(const YmodemDeviceSide& side, std::vector<StoredFile>& files) {
    for (;;) {
        switch (ReceiveFile(side, files)) {
            case FileOutcome::Received:
                break;
            case FileOutcome::EndOfBatch:
                return true;
            case FileOutcome::Failed:
                return false;
        }
    }
}

}  // namespace kvd::sim
