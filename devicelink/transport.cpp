#include "devicelink/transport.h"

#include <algorithm>
#include <cstring>

#include "devicelink/port_open_error.h"

namespace kvd {
namespace {

// One byte within the per-byte time-out, served from the read-ahead when it holds one.
bool ReadByte(LinkContext& context, uint8_t& byte) {
    if (context.readAheadPos == context.readAheadLen) {
        context.readAheadPos = 0;
        context.readAheadLen = context.port->Read(context.readAhead.data(),
                                                  context.readAhead.size(), context.timeoutMs);
        if (context.readAheadLen == 0) {
            context.readTimedOut = true;
            NoteCause(context, context.port->LastReadFailure());
            return false;
        }
        context.bytesHeard += context.readAheadLen;
    }
    byte = context.readAhead[context.readAheadPos++];
    return true;
}

}  // namespace

bool OpenSerialPort(LinkContext& context, int32_t timeoutMs) {
    PortOpenResult opened = OpenPort(context.portName, context.baudRate, timeoutMs);
    SetLastPortOpenError(opened.error);
    if (!opened.port) return false;
    context.port = std::move(opened.port);
    context.port->StopWaitingWhen(context.cancel);
    context.timeoutMs = timeoutMs;
    context.readAheadPos = context.readAheadLen = 0;
    return true;
}

void CloseSerialPort(LinkContext& context) {
    context.port.reset();
    context.readAheadPos = context.readAheadLen = 0;
}

bool WriteSendBuffer(LinkContext& context) {
    const std::size_t written =
        context.port->Write(context.sendBuf.data(), context.sendCount, context.timeoutMs);
    if (written != 0 && written == context.sendCount) return true;
    NoteCause(context, FailureCause::Disconnected);
    return false;
}

bool SendCommandEchoed(LinkContext& context) {
    for (uint32_t i = 0; i < context.sendCount; ++i) {
        if (context.port->Write(&context.sendBuf[i], 1, context.timeoutMs) != 1) {
            NoteCause(context, FailureCause::Disconnected);
            return false;
        }
        // Only the echo's arrival matters, not its value.
        uint8_t echo = 0;
        if (!ReadByte(context, echo)) return false;
    }
    return true;
}

bool ReadExact(LinkContext& context) { return ReadExactFrom(context, 0); }

bool ReadExactFrom(LinkContext& context, uint32_t offset) {
    const uint32_t wanted = std::min<uint32_t>(context.recvCount, kMaxLineLength);
    for (uint32_t i = offset; i < wanted; ++i) {
        if (!ReadByte(context, context.recvBuf[i])) return false;
    }
    context.recvBuf[wanted] = 0;
    return wanted == context.recvCount;
}

bool ReadReplyLine(LinkContext& context) {
    bool afterGt = false;
    for (std::size_t count = 0; count < kMaxLineLength;) {
        uint8_t byte = 0;
        if (!ReadByte(context, byte)) return false;
        context.recvBuf[count++] = byte;
        const bool complete = afterGt ? byte == ' ' : byte == '\n';
        if (complete) {
            context.recvBuf[count] = 0;
            context.recvCount = static_cast<uint32_t>(count);
            return true;
        }
        afterGt = !afterGt && byte == '>';
    }
    // The line does not fit the buffer: refuse it rather than write past the end.
    context.recvBuf[kMaxLineLength] = 0;
    context.lineTooLong = true;
    return false;
}

bool IsPromptLine(const LinkContext& context) {
    return context.recvCount >= 2 && context.recvBuf[context.recvCount - 2] == '>' &&
           context.recvBuf[context.recvCount - 1] == ' ';
}

std::string ReceivedText(const LinkContext& context) {
    return std::string(reinterpret_cast<const char*>(context.recvBuf.data()), context.recvCount);
}

}  // namespace kvd
