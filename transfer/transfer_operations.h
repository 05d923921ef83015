// The device operations as command sequences: one "SetMode 1" per operation, then one
// command line per slot in ascending order, stopping at the first failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "devicelink/devicelink.h"
#include "transfer/list_rows.h"

namespace kvd {

struct TransferSettings {
    std::string port;
    int32_t timeoutMs = kDefaultTimeoutMs;
    ProgressCallback progress = nullptr;
    void* progressContext = nullptr;
};

struct OperationReport {
    int32_t result = 1;      // 0 failure, as the device link counts
    bool cancelled = false;  // stopped by an abort request
    int slot = -1;           // the slot whose command failed; -1 for the mode switch or none
    std::string command;     // the command line that failed, without its line feed
    CallOutcome outcome;     // where that command stopped

    bool Succeeded() const { return result != 0; }
};

// Asks the device for its log list: one row per slot.
OperationReport FetchLogList(const TransferSettings& settings, std::vector<RowEntry>& rows);

// Asks for a list with `listCommand` ("GetLogList\n", "GetRecordList\n"): rowCount rows.
OperationReport FetchList(const TransferSettings& settings, const std::string& listCommand,
                          int rowCount, std::vector<RowEntry>& rows);

// Downloads the logs of `slots`, handing each to `handler` (the KML conversion) with `folder`.
OperationReport GetSelectedFiles(const TransferSettings& settings, std::span<const int> slots,
                                 const std::string& folder, CompletionCallback handler,
                                 void* handlerContext);

// Deletes the logs of `slots`.
OperationReport DeleteSelectedFiles(const TransferSettings& settings, std::span<const int> slots);

// Uploads a local file with an update command ("UpdateGpsDataX\n", "UpdateVoiceData\n").
OperationReport SendUpdateFile(const TransferSettings& settings, const std::string& commandLine,
                               const std::string& localPath);

inline constexpr char kGpsDataUpdateCommand[] = "UpdateGpsDataX\n";
inline constexpr char kVoiceDataUpdateCommand[] = "UpdateVoiceData\n";

}  // namespace kvd
