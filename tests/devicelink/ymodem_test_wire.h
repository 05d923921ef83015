// Device-side bytes of YMODEM batches for scripted peers, and collectors for what the host
// reports and hands over.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/devicelink.h"
#include "devicelink/ymodem_block.h"

namespace kvd::test {

// Bytes 0, 1, 2, ... that show any misplaced or lost block.
inline std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A data block: the slice padded with 0x1A, framed.
inline std::string DataBlock(uint8_t type, uint8_t number, std::string_view slice) {
    std::string block(BlockLength(type), static_cast<char>(kSub));
    block.replace(kBlockHead, slice.size(), slice);
    FrameBlock(reinterpret_cast<uint8_t*>(block.data()), type, number);
    return block;
}

// Block 0 as this device sends it: 1029 bytes whatever its type.
inline std::string HeaderBlock(std::string_view name, std::string_view fields,
                               uint8_t type = kStx) {
    std::string block(kLongBlockLength, '\0');
    FrameHeaderBlock(reinterpret_cast<uint8_t*>(block.data()), type, name, fields);
    return block;
}

inline std::string ClosingBlock() { return HeaderBlock("", ""); }

// One file as the device sends it: block 0, the data blocks, and both EOTs of the handshake.
inline std::string DeviceFile(std::string_view name, std::string_view bytes, uint8_t type = kStx) {
    std::string wire =
        HeaderBlock(name, std::to_string(bytes.size()) + " 14525137400 100644 ", type);
    const std::size_t n = BlockDataLength(type);
    for (std::size_t offset = 0, k = 1; offset < bytes.size(); offset += n, ++k)
        wire += DataBlock(type, static_cast<uint8_t>(k), bytes.substr(offset, n));
    return wire + std::string(2, static_cast<char>(kEot));
}

inline std::string Control(uint8_t byte, std::size_t count = 1) {
    return std::string(count, static_cast<char>(byte));
}

// What the host reported and handed to the completion handler.
inline constexpr CallStatus kDone = CallStatus::Done;
inline constexpr CallStatus kFailed = CallStatus::Failed;
inline constexpr CallStatus kTransferred = CallStatus::Transferred;

struct TransferLog {
    std::vector<int32_t> percents;
    std::vector<std::string> progressNames;
    std::vector<int32_t> modes;
    int completions = 0;
    std::string data;
    std::string fileName;
    std::string folder;
    int32_t abortAfterPercent = -1;  // cancels the call once a report reaches this
    CancelRequest cancel;

    static void Progress(void* context, int32_t percent, const char* name, double, double,
                         int32_t mode) {
        auto* log = static_cast<TransferLog*>(context);
        log->percents.push_back(percent);
        log->progressNames.push_back(name);
        log->modes.push_back(mode);
        if (log->abortAfterPercent >= 0 && percent >= log->abortAfterPercent) log->cancel.Request();
    }

    static int32_t Completion(void* context, const uint8_t* data, int32_t size, const char* folder,
                              const char* fileName) {
        auto* log = static_cast<TransferLog*>(context);
        ++log->completions;
        log->data.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
        log->fileName = fileName;
        log->folder = folder;
        return 3;
    }

    DeviceCall Call(int32_t timeoutMs = 300, const char* folderName = nullptr) {
        DeviceCall call;
        call.timeoutMs = timeoutMs;
        call.folder = folderName;
        call.progress = &Progress;
        call.progressContext = this;
        call.completion = &Completion;
        call.completionContext = this;
        call.cancel = &cancel;
        return call;
    }
};

}  // namespace kvd::test
