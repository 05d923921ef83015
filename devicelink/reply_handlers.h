// Readers of the device's text replies. Each reads lines up to the prompt.
#pragma once

#include <string>

#include "devicelink/link_context.h"

namespace kvd {

// 1 when word 0 of the first reply line equals word 1 of the command line.
int32_t ReadEchoReply(LinkContext& context);

// 1 when the status word of the last non-prompt line before the prompt is 0.
int32_t ReadStatusReply(LinkContext& context);

// 1 once the prompt line has been read.
int32_t ReadUntilPrompt(LinkContext& context);

// Reads one line of the reply to a command the table does not know; always 1.
int32_t ReadUnknownCommandReply(LinkContext& context);

// The first two white-space separated words of a line, each at most 259 bytes.
struct StatusLine {
    std::string word;
    std::string status;
};
StatusLine SplitStatusLine(const std::string& line);

// True when status is one or more decimal digits whose value is `value`.
bool StatusEquals(const std::string& status, int value);

// Diagnostic output of the line in recvBuf and, unless it is the prompt, keeps it as replyText.
void TakeReplyLine(LinkContext& context);

}  // namespace kvd
