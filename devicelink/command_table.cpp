#include "devicelink/command_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "devicelink/devicelink.h"
#include "devicelink/link_context.h"

namespace kvd {
namespace {

constexpr std::array<CommandRow, 21> kCommandRows{{
    {"Hello", 0, ReplyHandler::EchoAlwaysOk, nullptr},
    {"Echo", 1, ReplyHandler::Echo, nullptr},
    {"Help", 2, ReplyHandler::EchoAlwaysOk, nullptr},
    {"GetMode", 3, ReplyHandler::Status, nullptr},
    {"SetMode", 4, ReplyHandler::Status, nullptr},
    {"GetGpsDataVersion", 13, ReplyHandler::EchoAlwaysOk, nullptr},
    {"UpdateVoiceData", 5, ReplyHandler::SendFixedName, "voice.mem"},
    {"GetLogList", 6, ReplyHandler::Status, nullptr},
    {"GetLog", 7, ReplyHandler::ReceiveToMemory, nullptr},
    {"GetRecordList", 9, ReplyHandler::Status, nullptr},
    {"GetRecord", 10, ReplyHandler::ReceiveToFile, nullptr},
    {"UpdateGpsDataX\n", 12, ReplyHandler::SendFixedName, "gps.FPT"},
    {"EraseFlashRom", 15, ReplyHandler::Status, nullptr},
    {"ProgramFlashRom", 16, ReplyHandler::SendCallerName, nullptr},
    {"ReadFlashRom", 17, ReplyHandler::ReceiveToFile, nullptr},
    {"GetFwDataVersion", 14, ReplyHandler::EchoAlwaysOk, nullptr},
    {"DeleteLog", 8, ReplyHandler::Status, nullptr},
    {"DeleteRecord", 11, ReplyHandler::Status, nullptr},
    {"WriteFwData", 18, ReplyHandler::SendFixedName, "firm.bin"},
    {"UpdateFw", 19, ReplyHandler::UntilPrompt, nullptr},
    {"SetBaudrate", 20, ReplyHandler::EchoAlwaysOk, nullptr},
}};

std::string LowerAscii(const char* text, std::size_t length) {
    std::string lower(text, length);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

std::span<const CommandRow> CommandTable() { return kCommandRows; }

const CommandRow* FindCommandRow(const char* command, std::size_t length) {
    // Only the first 259 bytes of the line take part in the search.
    const std::string line = LowerAscii(command, std::min(length, kMaxWordLength));
    for (const CommandRow& row : kCommandRows) {
        const std::string word =
            LowerAscii(row.searchText, std::char_traits<char>::length(row.searchText));
        if (line.find(word) != std::string::npos) return &row;
    }
    return nullptr;
}

int32_t LookupCommandId(const std::string& command) {
    const CommandRow* row = FindCommandRow(command.c_str(), command.size());
    return row ? row->commandId : kUnknownCommandId;
}

}  // namespace kvd
