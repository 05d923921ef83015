#include "devicelink/ymodem_send.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "common/system_text.h"
#include "devicelink/ansi_text.h"
#include "devicelink/diagnostics.h"
#include "devicelink/transport.h"
#include "devicelink/ymodem_block.h"
#include "devicelink/ymodem_steps.h"

namespace kvd::send {
namespace {

constexpr const char* kFileMode = "100644";

bool SendBlock(LinkContext& context) {
    context.sendCount = static_cast<uint32_t>(BlockLength(context.header.blockType));
    return WriteSendBuffer(context);
}

std::string LastPathComponent(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool PrepareSendFile(LinkContext& context) {
    const std::filesystem::path folder =
        PathFromUtf8(context.folder.empty() ? "." : context.folder);
    const std::string path = PathToUtf8(folder / PathFromUtf8(context.header.fileName));
    if (path.size() > kMaxLocalPathLength) {
        WriteDiagnosticFormat("path too long: %s\n", path.c_str());
        return false;
    }
    if (!LoadSendFile(context, path)) return false;
    context.header.endOfBatch = 0;
    std::swap(context.header.fileName, context.displayName);
    return true;
}

int32_t LoadSendFile(LinkContext& context, const std::string& path) {
    // Block 0 carries the name in the device's code page.
    context.header.fileName = Utf8ToAnsi(LastPathComponent(path));
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(PathFromUtf8(path), "rb"),
                                                               &std::fclose);
    if (!file) {
        const int error = errno;
        WriteDiagnosticFormat("cannot open %s: %s\n", path.c_str(), ErrnoText(error).c_str());
        NoteCause(context,
                  error == ENOENT ? FailureCause::FileMissing : FailureCause::FileUnreadable,
                  ErrnoText(error));
        return 0;
    }
    const long size = std::fseek(file.get(), 0, SEEK_END) == 0 ? std::ftell(file.get()) : -1;
    if (size < 0) {
        NoteCause(context, FailureCause::FileUnreadable, ErrnoText(errno));
        return 0;
    }
    // The size field and every offset of the transfer are 32-bit.
    if (size > kMaxTransferSize) {
        WriteDiagnosticFormat("cannot send %s: %ld bytes\n", path.c_str(), size);
        NoteCause(context, FailureCause::FileTooLarge);
        return 0;
    }
    std::rewind(file.get());
    context.data.assign(static_cast<std::size_t>(size), 0);
    if (std::fread(context.data.data(), 1, context.data.size(), file.get()) !=
        context.data.size()) {
        WriteDiagnosticFormat("cannot read %s\n", path.c_str());
        NoteCause(context, FailureCause::FileUnreadable, ErrnoText(errno));
        return 0;
    }
    context.header.fileSize = static_cast<int32_t>(size);
    context.header.modTime = static_cast<int64_t>(std::time(nullptr));
    return 1;
}

int32_t ExchangeHeaderBlock(LinkContext& context) {
    for (;;) {
        uint8_t byte = 0;
        if (!ReadControlByte(context, byte)) return 0;
        if (context.state == STATE_NONE) {
            if (byte != kRequest) {
                WriteDiagnosticFormat("STATE_NONE:unknown(%x)\n", byte);
                continue;
            }
            context.header.blockType = kStx;
            context.header.blockNumber = 0;
            if (!BuildHeaderBlock(context) || !SendBlock(context)) return 0;
            WriteDiagnostic("STATE_NONE:C\n");
            context.state = STATE_ACK;
            if (context.header.endOfBatch == 0) {
                // The device's answer to block 0 is read by the first SendDataBlock.
                WriteDiagnosticFormat("%s\n", context.header.fileName.c_str());
                return 1;
            }
            WriteDiagnostic("sended all.\n");
        } else if (byte == kAck) {
            // Only after the closing block 0; anything before its ACK is skipped.
            WriteDiagnosticFormat("STATE_ACK:ACK(%x)\n", byte);
            return 3;
        }
    }
}

bool BuildHeaderBlock(LinkContext& context) {
    std::fill(context.sendBuf.begin(), context.sendBuf.end(), uint8_t{0});
    const YmodemHeader& header = context.header;
    std::string fields;
    if (header.endOfBatch == 0) {
        fields = std::to_string(header.fileSize) + ' ' +
                 FormatOctal(static_cast<uint64_t>(header.modTime)) + ' ' + kFileMode + ' ';
    }
    const std::string_view name = header.endOfBatch == 0 ? header.fileName : std::string_view();
    if (!FrameHeaderBlock(context.sendBuf.data(), header.blockType, name, fields)) {
        WriteDiagnosticFormat("name too long for block 0: %s\n", header.fileName.c_str());
        return false;
    }
    return true;
}

int32_t SendDataBlock(LinkContext& context) {
    uint8_t answer = 0;
    if (!ReadControlByte(context, answer)) return 0;
    BlockCounter& counter = context.blockCounter;
    switch (answer) {
        case kAck:
        case kRequest:  // this device also says "go on" with "C"
            if (++counter.blockNumber == 0) counter.wrapBase += 256;
            break;
        case kNak:
            break;
        case kCan:
            NoteCause(context, FailureCause::DeviceCancelled);
            return 0;
        default:
            WriteDiagnosticFormat("STATE_ACK:unknown(%x)\n", answer);
            NoteCause(context, FailureCause::BadData);
            return 0;
    }
    if (IsCancelled(context.cancel)) {
        context.state = STATE_NONE;
        NoteCause(context, FailureCause::Aborted);
        SendControlByte(context, kCan);
        return 0;
    }
    if (AllDataSent(context)) {
        context.state = STATE_NAK;
        return SendControlByte(context, kEot) ? 2 : 0;
    }
    // A NAK for block 0 itself asks for block 0 again; there is no file slice before block 1.
    if (counter.Index() == 0) return BuildHeaderBlock(context) && SendBlock(context) ? 1 : 0;

    counter.blockType = context.header.blockType;
    FillDataBlock(context);
    SealBlock(context);
    if (!SendBlock(context)) return 0;
    MarkBlockTime(context);
    return 1;
}

bool AllDataSent(const LinkContext& context) {
    return (context.blockCounter.Index() - 1) * static_cast<int64_t>(FileBlockData(context)) >=
           context.header.fileSize;
}

void FillDataBlock(LinkContext& context) {
    const auto n = static_cast<int64_t>(FileBlockData(context));
    const int64_t offset = (context.blockCounter.Index() - 1) * n;
    const int64_t count = std::clamp<int64_t>(context.header.fileSize - offset, 0, n);
    uint8_t* data = context.sendBuf.data() + kBlockHead;
    if (count > 0) std::memcpy(data, context.data.data() + offset, static_cast<std::size_t>(count));
    std::memset(data + count, kSub, static_cast<std::size_t>(n - count));
}

void SealBlock(LinkContext& context) {
    FrameBlock(context.sendBuf.data(), context.blockCounter.blockType,
               context.blockCounter.blockNumber);
}

int32_t FinishFile(LinkContext& context) {
    for (;;) {
        uint8_t answer = 0;
        if (!ReadControlByte(context, answer)) return 0;
        if (context.state == STATE_NAK) {
            if (answer != kAck && answer != kNak) {
                WriteDiagnosticFormat("STATE_NAK:unknown(%x)\n", answer);
                NoteCause(context,
                          answer == kCan ? FailureCause::DeviceCancelled : FailureCause::BadData);
                return 0;
            }
            if (!SendControlByte(context, kEot)) return 0;
            context.state = STATE_EOT;
            WriteDiagnosticFormat("STATE_NAK:ACK/NAK(%x)->EOT\n", answer);
            continue;
        }
        if (answer != kAck) {
            WriteDiagnosticFormat("STATE_EOT:unknown(%x)\n", answer);
            NoteCause(context,
                      answer == kCan ? FailureCause::DeviceCancelled : FailureCause::BadData);
            return 0;
        }
        WriteDiagnosticFormat("STATE_EOT:ACK(%x)\n", answer);
        return 1;
    }
}

}  // namespace kvd::send
