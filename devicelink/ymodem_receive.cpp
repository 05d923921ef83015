#include "devicelink/ymodem_receive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "devicelink/ansi_text.h"
#include "devicelink/diagnostics.h"
#include "devicelink/safe_file_name.h"
#include "devicelink/transport.h"
#include "devicelink/ymodem_block.h"
#include "devicelink/ymodem_steps.h"

namespace kvd::receive {

int32_t ExchangeHeaderBlock(LinkContext& context) {
    context.state = STATE_REQ_SEND;
    if (!SendControlByte(context, kRequest)) return 0;
    WriteDiagnostic("STATE_NONE:C\n");

    // Block 0 is always read whole: this device sends it at full length whatever its type.
    context.recvCount = kLongBlockLength;
    if (!ReadExact(context)) return 0;
    const int32_t result = ParseHeaderBlock(context);
    if (result == 0) {
        NoteCause(context, FailureCause::BadData);
        return 0;
    }
    if (result == 3) {
        WriteDiagnostic("received all.\n");
    } else {
        WriteDiagnosticFormat("%s\n", context.header.fileName.c_str());
        try {
            // One spare byte, so a text file's image is NUL-terminated for its consumer.
            context.data.assign(static_cast<std::size_t>(context.header.fileSize) + 1, 0);
        } catch (const std::bad_alloc&) {
            WriteDiagnosticFormat("STATE_REQ_SEND:no memory for %d bytes\n",
                                  context.header.fileSize);
            NoteCause(context, FailureCause::OutOfMemory);
            return 0;
        }
    }
    const uint8_t blockType = context.recvBuf[0];
    if (!SendControlByte(context, kAck)) return 0;
    WriteDiagnosticFormat("STATE_REQ_SEND:(%x)->ACK\n", blockType);
    context.state = STATE_ACK;
    return result;
}

int32_t ParseHeaderBlock(LinkContext& context) {
    const uint8_t* block = context.recvBuf.data();
    context.header.blockType = block[0];
    if (!BlockCrcMatches(block) || !BlockComplementMatches(block)) return 0;
    context.header.blockNumber = block[1];

    const HeaderFields fields = ReadHeaderFields(block);
    // An empty name ends the batch; the last file's name and size stay for the caller.
    if (fields.name.empty()) return 3;

    // The name will become part of a path: nothing the device sends may lead out of the folder.
    // Device texts are in the ANSI code page; ours are UTF-8, whose multi-byte characters
    // hold no byte that could pass for a path separator.
    const std::optional<std::string> name =
        SafeBaseName(AnsiToUtf8(fields.name).value_or(std::string()));
    if (!name) {
        WriteDiagnosticFormat("STATE_REQ_SEND:unsafe file name(%s)\n", fields.name.c_str());
        return 0;
    }
    // Checked before anything is allocated: a lying size must not decide our memory use.
    const int64_t size = ParseSizeField(fields.sizeText);
    if (size < 0) {
        WriteDiagnosticFormat("STATE_REQ_SEND:bad file size(%s)\n", fields.sizeText.c_str());
        return 0;
    }
    context.header.fileName = *name;
    context.header.fileSize = static_cast<int32_t>(size);
    return 1;
}

int32_t ReceiveDataBlock(LinkContext& context) {
    uint8_t first = 0;
    if (!ReadControlByte(context, first)) return 0;

    if (first == kEot) {
        // An early EOT would hand over a file with a hole at its end.
        if (!IsLastBlock(context)) {
            WriteDiagnosticFormat("STATE_ACK:EOT before the end of the file (%d bytes)\n",
                                  context.header.fileSize);
            NoteCause(context, FailureCause::BadData);
            return 0;
        }
        context.state = STATE_NAK;
        return SendControlByte(context, kNak) ? 2 : 0;
    }
    if (first == kCan) {
        WriteDiagnostic("STATE_ACK:CAN\n");
        NoteCause(context, FailureCause::DeviceCancelled);
        return 0;
    }
    if (first != kSoh && first != kStx) {
        WriteDiagnosticFormat("STATE_ACK:unknown(%x)\n", first);
        NoteCause(context, FailureCause::BadData);
        return 0;
    }
    // Every data block of a file has the size that block 0 gave.
    if (first != context.header.blockType) {
        WriteDiagnosticFormat("STATE_ACK:block type(%x) differs from block 0(%x)\n", first,
                              context.header.blockType);
        NoteCause(context, FailureCause::BadData);
        return 0;
    }
    context.recvCount = static_cast<uint32_t>(BlockLength(context.header.blockType));
    if (!ReadExactFrom(context, 1)) return 0;

    if (IsCancelled(context.cancel)) {
        context.state = STATE_NONE;
        NoteCause(context, FailureCause::Aborted);
        SendControlByte(context, kCan);
        return 0;
    }
    switch (CheckDataBlock(context)) {
        case BlockVerdict::Invalid:
            NoteCause(context, FailureCause::BadData);
            return 0;
        case BlockVerdict::Repeat:
            break;  // our ACK was lost or late: acknowledge again, the data are already stored
        case BlockVerdict::Next:
            StoreDataBlock(context);
            MarkBlockTime(context);
            break;
    }
    return SendControlByte(context, kAck) ? 1 : 0;
}

BlockVerdict CheckDataBlock(LinkContext& context) {
    const uint8_t* block = context.recvBuf.data();
    BlockCounter& counter = context.blockCounter;
    counter.blockType = block[0];
    if (!BlockCrcMatches(block)) {
        WriteDiagnosticFormat("STATE_ACK:bad CRC in block(%x)\n", block[1]);
        return BlockVerdict::Invalid;
    }
    if (!BlockComplementMatches(block)) {
        WriteDiagnosticFormat("STATE_ACK:bad complement in block(%x)\n", block[1]);
        return BlockVerdict::Invalid;
    }
    const uint8_t number = block[1];
    if (counter.Index() > 0 && number == counter.blockNumber) return BlockVerdict::Repeat;
    const auto expected = static_cast<uint8_t>(counter.blockNumber + 1);
    if (number != expected) {
        // Storing it would leave a hole, or overwrite data already acknowledged.
        WriteDiagnosticFormat("STATE_ACK:block(%x) out of order, expected(%x)\n", number, expected);
        return BlockVerdict::Invalid;
    }
    if (counter.blockNumber == 255) counter.wrapBase += 256;
    counter.blockNumber = number;
    const int64_t offset = (counter.Index() - 1) * static_cast<int64_t>(FileBlockData(context));
    if (offset >= context.header.fileSize) {
        WriteDiagnosticFormat("STATE_ACK:block(%x) past the end of the file (%d bytes)\n", number,
                              context.header.fileSize);
        return BlockVerdict::Invalid;
    }
    return BlockVerdict::Next;
}

void StoreDataBlock(LinkContext& context) {
    const auto n = static_cast<int64_t>(FileBlockData(context));
    const int64_t offset = (context.blockCounter.Index() - 1) * n;
    // The caller only stores blocks inside the announced size; this keeps the copy in bounds.
    if (offset < 0 || offset >= context.header.fileSize) return;
    const int64_t count = std::min<int64_t>(n, context.header.fileSize - offset);
    std::memcpy(context.data.data() + offset, context.recvBuf.data() + kBlockHead,
                static_cast<std::size_t>(count));
}

bool IsLastBlock(const LinkContext& context) {
    return context.blockCounter.Index() * static_cast<int64_t>(FileBlockData(context)) >=
           context.header.fileSize;
}

int32_t FinishFile(LinkContext& context) {
    uint8_t byte = 0;
    if (!ReadControlByte(context, byte)) return 0;
    if (byte != kEot) {
        WriteDiagnosticFormat("STATE_NAK:unknown(%x)\n", byte);
        NoteCause(context, byte == kCan ? FailureCause::DeviceCancelled : FailureCause::BadData);
        return 0;
    }
    if (!SendControlByte(context, kAck)) return 0;
    context.state = STATE_NONE;
    return 1;
}

}  // namespace kvd::receive
