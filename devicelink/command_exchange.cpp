#include "devicelink/command_exchange.h"

#include <cstring>

#include "devicelink/devicelink.h"
#include "devicelink/reply_handlers.h"
#include "devicelink/transfer_files.h"
#include "devicelink/transport.h"

namespace kvd {

std::atomic<int32_t> g_abortRequest{0};
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

int32_t RunDeviceCommand(const std::string& portName, const std::string& command,
                         const DeviceCall& call) {
    // Lines and paths the device protocol cannot carry are refused before anything is sent.
    if (command.size() > kMaxLineLength) return 0;
    if (call.folder && std::strlen(call.folder) > kMaxFolderLength) return 0;
    if (call.fileName && std::strlen(call.fileName) > kMaxLineLength) return 0;

    LinkContext context;
    context.portName = portName;
    context.progress = call.progress;
    context.progressContext = call.progressContext;
    if (!OpenSerialPort(context, call.timeoutMs)) return 0;

    std::memcpy(context.sendBuf.data(), command.data(), command.size());
    context.sendBuf[command.size()] = 0;
    context.sendCount = static_cast<uint32_t>(command.size());
    if (call.folder) context.folder = call.folder;
    if (call.fileName) context.header.fileName = call.fileName;

    int32_t result = 0;
    if (SendCommandEchoed(context)) {
        if (g_abortRequest != 0) {
            result = 1;  // a pending abort: the line went out, the reply is not read
        } else {
            result = DispatchReply(FindCommandRow(command.c_str(), command.size()), context);
            if (call.replyOut) *call.replyOut = context.replyText;
            if (result != 0 && call.completion) {
                result = call.completion(call.completionContext, context.data.data(),
                                         context.header.fileSize, context.folder.c_str(),
                                         context.header.fileName.c_str());
            }
        }
    }
    CloseSerialPort(context);
    return result;
}

}  // namespace kvd
