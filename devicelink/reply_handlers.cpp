#include "devicelink/reply_handlers.h"

#include <cctype>
#include <cstring>

#include "devicelink/devicelink.h"
#include "devicelink/diagnostics.h"
#include "devicelink/transport.h"

namespace kvd {
namespace {

std::string SendBufText(const LinkContext& context) {
    const char* text = reinterpret_cast<const char*>(context.sendBuf.data());
    return std::string(text, strnlen(text, context.sendCount));
}

// The line up to its first NUL, as the word scanners see it.
std::string RecvBufText(const LinkContext& context) {
    const char* text = reinterpret_cast<const char*>(context.recvBuf.data());
    return std::string(text, strnlen(text, context.recvCount));
}

}  // namespace

std::string ExtractWord(const std::string& text, int k) {
    std::string word;
    int index = 0;
    char previous = '\0';
    for (const char c : text) {
        if (c == '\0') break;
        const bool separator = c == ' ' || c == '\n';
        if (separator && previous != ' ') {
            if (index == k) return word;
            ++index;
            word.clear();
        } else if (!separator && word.size() < kMaxWordLength) {
            word.push_back(c);
        }
        previous = c;
    }
    return {};  // word k does not exist or is not ended by a separator
}

StatusLine SplitStatusLine(const std::string& line) {
    StatusLine split;
    std::size_t i = 0;
    for (std::string* word : {&split.word, &split.status}) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        while (i < line.size() && line[i] != '\0' &&
               !std::isspace(static_cast<unsigned char>(line[i]))) {
            if (word->size() < kMaxWordLength) word->push_back(line[i]);
            ++i;
        }
    }
    return split;
}

bool StatusEquals(const std::string& status, int value) {
    if (status.empty()) return false;  // a line without a status word carries no status
    long long parsed = 0;
    for (const char c : status) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        if (parsed <= value) parsed = parsed * 10 + (c - '0');
    }
    return parsed == value;
}

void TakeReplyLine(LinkContext& context) {
    WriteDiagnosticBytes(context.recvBuf.data(), context.recvCount);
    if (!IsPromptLine(context)) context.replyText = ReceivedText(context);
}

int32_t ReadEchoReply(LinkContext& context) {
    int32_t result = 0;
    bool first = true;
    while (ReadReplyLine(context)) {
        if (first) {
            result = ExtractWord(RecvBufText(context), 0) == ExtractWord(SendBufText(context), 1);
            first = false;
        }
        TakeReplyLine(context);
        if (IsPromptLine(context)) break;
    }
    return result;
}

int32_t ReadStatusReply(LinkContext& context) {
    int32_t result = 0;
    while (ReadReplyLine(context)) {
        TakeReplyLine(context);
        if (IsPromptLine(context)) break;
        result = StatusEquals(SplitStatusLine(RecvBufText(context)).status, 0);
    }
    return result;
}

int32_t ReadUntilPrompt(LinkContext& context) {
    while (ReadReplyLine(context)) {
        TakeReplyLine(context);
        if (IsPromptLine(context)) return 1;
    }
    return 0;
}

int32_t ReadUnknownCommandReply(LinkContext& context) {
    if (ReadReplyLine(context)) WriteDiagnosticBytes(context.recvBuf.data(), context.recvCount);
    return 1;
}

}  // namespace kvd
