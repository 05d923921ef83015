#include "devicelink/command_exchange.h"

#include <cstring>

#include "common/atomic_file.h"
#include "devicelink/devicelink.h"
#include "devicelink/reply_handlers.h"
#include "devicelink/transfer_files.h"
#include "devicelink/transport.h"

namespace kvd {

std::atomic<int32_t> g_devicePort{-1};

int32_t DispatchReply(const CommandRow* row, LinkContext& context) {
    if (row == nullptr) return ReadUnknownCommandReply(context);
    switch (row->handler) {
        case ReplyHandler::EchoAlwaysOk:
            ReadEchoReply(context);
            return 1;
        case ReplyHandler::Echo:
            return ReadEchoReply(context);
        case ReplyHandler::Status:
            return ReadStatusReply(context);
        case ReplyHandler::UntilPrompt:
            return ReadUntilPrompt(context);
        case ReplyHandler::ReceiveToMemory:
            return TransferFiles(context, ReceiveToMemory);
        case ReplyHandler::ReceiveToFile:
            return TransferFiles(context, ReceiveToFile);
        case ReplyHandler::SendFixedName:
            return SendDeviceFile(context, row->deviceName);
        case ReplyHandler::SendCallerName:
            return SendDeviceFile(context, context.header.fileName);
    }
    return 0;
}

namespace {

// Where a failed reply stopped: inside a batch (its header exchange stamps startTime),
// waiting for a line, or at a refusal.
CallFailure ReplyFailure(const LinkContext& context) {
    switch (context.cause) {
        case FailureCause::FileMissing:
        case FailureCause::FileUnreadable:
        case FailureCause::FileEmpty:
        case FailureCause::FileTooLarge:
        case FailureCause::FileUnwritable:
            return CallFailure::Transfer;  // the local side of a transfer, before or after it ran
        default:
            break;
    }
    if (context.startTime != 0) return CallFailure::Transfer;
    if (context.lineTooLong) return CallFailure::BadReply;
    return context.readTimedOut ? CallFailure::NoAnswer : CallFailure::Refused;
}

}  // namespace

CallOutcome RunDeviceCommand(const std::string& portName, const std::string& command,
                             const DeviceCall& call) {
    CallOutcome outcome;
    outcome.timeoutMs = call.timeoutMs;

    // Lines the device protocol cannot carry, and local paths the platform cannot open, are
    // refused before anything is sent. The folder never goes to the device.
    if (command.size() > kMaxLineLength ||
        (call.folder && std::strlen(call.folder) > kMaxLocalPathLength) ||
        (call.fileName && std::strlen(call.fileName) > kMaxLineLength)) {
        outcome.failure = CallFailure::Unsendable;
        return outcome;
    }
    if (IsCancelled(call.cancel)) {
        outcome.status = CallStatus::Cancelled;
        return outcome;
    }

    LinkContext context;
    context.portName = portName;
    context.progress = call.progress;
    context.progressContext = call.progressContext;
    context.cancel = call.cancel;
    if (!OpenSerialPort(context, call.timeoutMs)) {
        outcome.failure = CallFailure::Open;
        outcome.openError = LastPortOpenError();
        return outcome;
    }

    std::memcpy(context.sendBuf.data(), command.data(), command.size());
    context.sendBuf[command.size()] = 0;
    context.sendCount = static_cast<uint32_t>(command.size());
    if (call.folder) context.folder = call.folder;
    if (call.fileName) context.header.fileName = call.fileName;

    int32_t result = 0;
    if (!SendCommandEchoed(context)) {
        outcome.failure = CallFailure::Echo;
        outcome.cause = context.cause;
    } else {
        // A cancel that came while the line went out still lets the reply be read: the device
        // acts on the line either way, and a batch it starts is told to stop at its first block.
        const CommandRow* row = FindCommandRow(command.c_str(), command.size());
        result = DispatchReply(row, context);
        if (call.replyOut) *call.replyOut = context.replyText;
        outcome.reply = context.replyText;
        // A download whose reply ended without a batch has no file for the handler: that is
        // the device declining, not a success with nothing in it.
        if (call.completion && row && row->handler == ReplyHandler::ReceiveToMemory && result != 3)
            result = 0;
        if (result == 0) {
            outcome.failure = ReplyFailure(context);
            outcome.cause = context.cause;
            outcome.detail = context.causeDetail;
            outcome.blockIndex = context.blockCounter.Index();
        } else if (call.completion &&
                   call.completion(call.completionContext, context.data.data(),
                                   context.header.fileSize, context.folder.c_str(),
                                   context.header.fileName.c_str()) == 0) {
            result = 0;
            outcome.failure = CallFailure::Completion;
        }
    }
    outcome.bytesHeard = context.bytesHeard;
    CloseSerialPort(context);

    if (result != 0) {
        outcome.status = result == 3 ? CallStatus::Transferred : CallStatus::Done;
    } else if (IsCancelled(call.cancel)) {
        // Whatever step gave up, it gave up because it was asked to.
        outcome.status = CallStatus::Cancelled;
    }
    return outcome;
}

}  // namespace kvd
