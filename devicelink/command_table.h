// The device's command words and how the reply to each is read.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kvd {

enum class ReplyHandler {
    EchoAlwaysOk,     // ReadEchoReply, result always 1
    Echo,             // ReadEchoReply, its own result
    Status,           // ReadStatusReply
    UntilPrompt,      // ReadUntilPrompt
    ReceiveToMemory,  // a YMODEM batch kept in memory
    ReceiveToFile,    // a YMODEM batch stored in the caller's folder
    SendFixedName,    // a YMODEM upload under the row's device-side name
    SendCallerName,   // a YMODEM upload under the caller's file name
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

// The command lines the host sends, each with its line feed. Every caller takes them from here.
namespace command_line {
inline constexpr char kIdentify[] = "Echo KVD-2730\n";  // answered by "KVD-2730"
inline constexpr char kSetMode[] = "SetMode 1\n";
inline constexpr char kGpsDataVersion[] = "GetGpsDataVersion\n";
inline constexpr char kLogList[] = "GetLogList\n";
inline constexpr char kRecordList[] = "GetRecordList\n";
inline constexpr char kGpsDataUpdate[] = "UpdateGpsDataX\n";
inline constexpr char kVoiceDataUpdate[] = "UpdateVoiceData\n";
inline std::string GetLog(int slot) { return "GetLog " + std::to_string(slot) + "\n"; }
inline std::string DeleteLog(int slot) { return "DeleteLog " + std::to_string(slot) + "\n"; }
}  // namespace command_line

}  // namespace kvd
