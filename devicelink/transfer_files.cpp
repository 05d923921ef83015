#include "devicelink/transfer_files.h"

#include <ctime>
#include <filesystem>
#include <span>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "devicelink/diagnostics.h"
#include "devicelink/reply_handlers.h"
#include "devicelink/transport.h"
#include "devicelink/ymodem_block.h"
#include "devicelink/ymodem_receive.h"
#include "devicelink/ymodem_send.h"
#include "devicelink/ymodem_steps.h"

namespace kvd {
namespace {

// Common start of every header exchange: each file starts its clock, counter and percentage anew.
int32_t ExchangeHeaderBlock(LinkContext& context, TransferMode mode) {
    context.elapsed = context.estimate = 0.0;
    context.sendCount = context.recvCount = 1;
    context.blockCounter.blockNumber = 0;
    context.blockCounter.wrapBase = 0;
    context.state = STATE_NONE;
    context.mode = mode;
    context.startTime = static_cast<int64_t>(std::time(nullptr));
    context.lastPercent = 0;
    return mode == SendFile ? send::ExchangeHeaderBlock(context)
                            : receive::ExchangeHeaderBlock(context);
}

int32_t FinishFile(LinkContext& context, TransferMode mode) {
    return mode == SendFile ? send::FinishFile(context) : receive::FinishFile(context);
}

// The received file under its own name in the caller's folder (the current one when none).
bool StoreReceivedFile(LinkContext& context) {
    const std::filesystem::path folder =
        PathFromUtf8(context.folder.empty() ? "." : context.folder);
    const std::filesystem::path target = folder / PathFromUtf8(context.header.fileName);
    if (PathToUtf8(target).size() > kMaxLocalPathLength) {
        WriteDiagnosticFormat("path too long: %s\n", PathToUtf8(target).c_str());
        NoteCause(context, FailureCause::FileUnwritable, "path too long: " + PathToUtf8(target));
        return false;
    }
    std::string error;
    const std::span<const uint8_t> bytes(context.data.data(),
                                         static_cast<std::size_t>(context.header.fileSize));
    if (!WriteFileAtomically(target, bytes, error)) {
        WriteDiagnosticFormat("%s\n", error.c_str());
        NoteCause(context, FailureCause::FileUnwritable, error);
        return false;
    }
    return true;
}

// One batch, from block 0 of the first file to the closing block 0. 0 failure, 3 done.
int32_t RunBatch(LinkContext& context, TransferMode mode) {
    if (mode == SendFile && !send::PrepareSendFile(context)) return 0;
    int filesDone = 0;
    for (int32_t r = ExchangeHeaderBlock(context, mode); r != 3;
         r = ExchangeHeaderBlock(context, mode)) {
        if (r == 0) {
            WriteDiagnostic("kvd2730_io error.");
            return 0;
        }
        if (mode != SendFile) context.displayName = context.header.fileName;
        for (int32_t step = 0; step != 2;) {
            step = mode == SendFile ? send::SendDataBlock(context)
                                    : receive::ReceiveDataBlock(context);
            if (step == 0) return 0;
            ReportProgress(context);
        }
        // A device that fails the handshake has stopped; waiting for its next block 0 would
        // only run into the time-out, and the file's end was never confirmed.
        if (!FinishFile(context, mode)) return 0;
        if (mode == ReceiveToFile && !StoreReceivedFile(context)) return 0;
        if (mode == SendFile) context.header.endOfBatch = 1;
        ++filesDone;
    }
    // The completion handler needs a file; an empty batch has none to give it.
    if (mode == ReceiveToMemory && filesDone == 0) {
        WriteDiagnostic("received no file.\n");
        NoteCause(context, FailureCause::BadData);
        return 0;
    }
    return 3;
}

// Tells the device to give the batch up, so that it listens for commands again at once
// instead of waiting out its own time-out for an answer that will not come.
void CancelBatch(LinkContext& context) {
    const bool abortSent = context.sendCount == 1 && context.sendBuf[0] == kCan;
    if (abortSent) return;  // the cancel already told it
    context.sendBuf[0] = context.sendBuf[1] = kCan;
    context.sendCount = 2;
    WriteSendBuffer(context);
}

}  // namespace

int32_t TransferFiles(LinkContext& context, TransferMode mode) {
    int32_t result = 1;
    bool lineAfterBatch = false;
    for (;;) {
        if (!ReadReplyLine(context)) {
            // Whether a batch is coming is unknown; make sure the device is not left in one.
            CancelBatch(context);
            return 0;
        }
        TakeReplyLine(context);
        if (IsPromptLine(context)) return result;
        if (lineAfterBatch) {
            // The device's closing status line; only the prompt after it decides.
            lineAfterBatch = false;
            continue;
        }
        // Status 1 announces the batch; any other status is a refusal.
        if (!StatusEquals(SplitStatusLine(ReceivedText(context)).status, 1)) {
            result = 0;
            continue;
        }
        if (RunBatch(context, mode) == 0) {
            CancelBatch(context);
            return 0;
        }
        result = 3;
        lineAfterBatch = true;
    }
}

int32_t SendDeviceFile(LinkContext& context, const std::string& deviceName) {
    context.displayName = deviceName;
    return TransferFiles(context, SendFile);
}

}  // namespace kvd
