// The device's command words and how the reply to each is read.
#pragma once

#include <cstdint>
#include <span>

namespace kvd {

enum class ReplyHandler {
    EchoAlwaysOk,      // ReadEchoReply, result always 1
    Echo,              // ReadEchoReply, its own result
    Status,            // ReadStatusReply
    UntilPrompt,       // ReadUntilPrompt
    ReceiveToMemory,   // a YMODEM batch kept in memory
    ReceiveToFile,     // a YMODEM batch stored in the caller's folder
    SendFixedName,     // a YMODEM upload under the row's device-side name
    SendCallerName,    // a YMODEM upload under the caller's file name
};

struct CommandRow {
    const char* searchText;  // matched case-insensitively anywhere in the command line
    int32_t commandId;
    ReplyHandler handler;
    const char* deviceName;  // device-side file name of SendFixedName rows
};

inline constexpr int32_t kUnknownCommandId = -1;

// The rows in search order; the order settles overlaps such as GetLogList before GetLog.
std::span<const CommandRow> CommandTable();

// The row whose word occurs first in table order, or null when none occurs.
const CommandRow* FindCommandRow(const char* command, std::size_t length);

}  // namespace kvd
