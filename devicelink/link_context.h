// The working record of one device call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/cancel_request.h"
#include "devicelink/devicelink.h"
#include "devicelink/serial_port.h"

namespace kvd {

inline constexpr std::size_t kLineBufferSize = 1034;  // a line or a 1029-byte block, plus NUL
inline constexpr std::size_t kMaxLineLength = kLineBufferSize - 1;
inline constexpr std::size_t kMaxWordLength = 259;
inline constexpr uint32_t kLineBaudRate = 115200;

enum TransferState : int32_t {
    STATE_NONE = 0,
    STATE_REQ_SEND = 1,
    STATE_ACK = 2,
    STATE_NAK = 3,
    STATE_EOT = 4,
};

struct YmodemHeader {
    uint8_t blockType = 0;
    uint8_t blockNumber = 0;
    std::string fileName;  // from block 0 (receive) or for block 0 (send)
    int32_t fileSize = 0;
    int64_t modTime = 0;
    int32_t endOfBatch = 0;
};

struct BlockCounter {
    uint8_t blockType = 0;
    uint8_t blockNumber = 0;
    int32_t wrapBase = 0;  // 256 per wrap of the 8-bit block number

    int64_t Index() const { return int64_t{blockNumber} + wrapBase; }
};

struct LinkContext {
    // Transport.
    std::unique_ptr<SerialPort> port;
    std::string portName;
    uint32_t baudRate = kLineBaudRate;
    std::array<uint8_t, kLineBufferSize> sendBuf{};
    std::array<uint8_t, kLineBufferSize> recvBuf{};
    uint32_t sendCount = 0;
    uint32_t recvCount = 0;
    int32_t timeoutMs = 0;
    const CancelRequest* cancel = nullptr;  // the caller's; read before every block and wait

    // Bytes the port delivered beyond what the last read consumed. Reading ahead keeps the
    // per-byte time-out while costing one system call per burst instead of per byte.
    std::array<uint8_t, 4096> readAhead{};
    std::size_t readAheadPos = 0;
    std::size_t readAheadLen = 0;
    uint64_t bytesHeard = 0;                  // every byte the port delivered during the call
    bool readTimedOut = false;                // the last failed read ran out of time or line
    bool lineTooLong = false;                 // a reply line did not fit recvBuf
    FailureCause cause = FailureCause::None;  // the first cause noted by a failing step
    std::string causeDetail;

    // Command exchange and transfers.
    int32_t mode = ReceiveToMemory;
    int32_t state = STATE_NONE;
    std::string folder;
    std::string displayName;
    YmodemHeader header;
    BlockCounter blockCounter;
    std::vector<uint8_t> data;  // the file in memory; empty until a transfer loads or receives one
    ProgressCallback progress = nullptr;
    void* progressContext = nullptr;
    std::string replyText;  // last reply line that was not a prompt line
    double elapsed = 0.0;
    double estimate = 0.0;
    int32_t lastPercent = 0;
    int64_t startTime = 0;
    int64_t now = 0;
};

// Keeps the first cause: later steps fail only as a consequence of it.
inline void NoteCause(LinkContext& context, FailureCause cause, std::string detail = {}) {
    if (context.cause != FailureCause::None) return;
    context.cause = cause;
    context.causeDetail = std::move(detail);
}

}  // namespace kvd
