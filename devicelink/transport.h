// Byte-level operations on the transport fields of a LinkContext.
#pragma once

#include <string>

#include "devicelink/link_context.h"

namespace kvd {

// The device's prompt "> ".
inline constexpr char ReplyPrompt[] = "> ";

// Opens the port named in context.portName; false when it cannot be opened or configured.
bool OpenSerialPort(LinkContext& context, int32_t timeoutMs);
void CloseSerialPort(LinkContext& context);

// Writes sendBuf[0, sendCount) in one go.
bool WriteSendBuffer(LinkContext& context);

// Sends sendBuf byte by byte, consuming the device's echo of each byte before the next.
bool SendCommandEchoed(LinkContext& context);

// Reads exactly recvCount bytes into recvBuf.
bool ReadExact(LinkContext& context);

// Reads recvBuf[offset, recvCount), keeping the bytes before offset: the rest of a block
// whose first byte has already been read.
bool ReadExactFrom(LinkContext& context, uint32_t offset);

// Reads one reply line (ended by a line feed or by the prompt) into recvBuf.
// A line that would not fit recvBuf fails the read.
bool ReadReplyLine(LinkContext& context);

// True when the line in recvBuf ends with the prompt.
bool IsPromptLine(const LinkContext& context);

// The line in recvBuf as text (NUL bytes included).
std::string ReceivedText(const LinkContext& context);

}  // namespace kvd
