#include "devicelink/link_recovery.h"

#include <chrono>

#include "devicelink/link_context.h"
#include "devicelink/transport.h"
#include "devicelink/ymodem_block.h"

namespace kvd {
namespace {

// Bounded, so that a port that keeps talking cannot hold the caller here.
constexpr std::chrono::seconds kStepLimit{3};

bool SendBytes(LinkContext& context, std::initializer_list<uint8_t> bytes) {
    context.sendCount = 0;
    for (const uint8_t byte : bytes) context.sendBuf[context.sendCount++] = byte;
    return WriteSendBuffer(context);
}

// Reads and drops lines until the prompt, a quiet line, or the step's time is up.
void DropAnswer(LinkContext& context) {
    const auto deadline = std::chrono::steady_clock::now() + kStepLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        context.lineTooLong = false;
        if (ReadReplyLine(context)) {
            if (IsPromptLine(context)) return;
        } else if (!context.lineTooLong) {
            return;  // quiet, gone or cancelled
        }
    }
}

}  // namespace

bool RecoverDeviceLink(const std::string& portName, int32_t quietMs, const CancelRequest* cancel) {
    if (IsCancelled(cancel)) return false;
    LinkContext context;
    context.portName = portName;
    context.cancel = cancel;
    if (!OpenSerialPort(context, quietMs)) return false;
    // A device inside a batch gives it up at the CANs and may answer with a status line and
    // its prompt; one at its prompt takes them as the start of a line, which the line feed
    // then ends (and the device refuses as a command).
    if (SendBytes(context, {kCan, kCan})) {
        DropAnswer(context);
        if (!IsCancelled(cancel) && SendBytes(context, {'\n'})) DropAnswer(context);
    }
    CloseSerialPort(context);
    return !IsCancelled(cancel);
}

}  // namespace kvd
