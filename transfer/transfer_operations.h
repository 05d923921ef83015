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

// What became of one slot of GetEachFile.
enum class SlotStatus { Saved, Empty, NotSaved };

struct SlotResult {
    int slot = -1;
    SlotStatus status = SlotStatus::Saved;
};

// Like GetSelectedFiles, but goes on past a slot the device reports empty and past a log the
// handler could not save (the handler keeps its own record of why); `results` receives one
// entry per slot so handled. A failure of the link or an abort request still stops it: the
// report then says where.
OperationReport GetEachFile(const TransferSettings& settings, std::span<const int> slots,
                            const std::string& folder, CompletionCallback handler,
                            void* handlerContext, std::vector<SlotResult>& results);

// Deletes the logs of `slots`.
OperationReport DeleteSelectedFiles(const TransferSettings& settings, std::span<const int> slots);

// Uploads a local file with an update command ("UpdateGpsDataX\n", "UpdateVoiceData\n").
// A file that is missing, unreadable, empty or too large fails before anything is sent.
OperationReport SendUpdateFile(const TransferSettings& settings, const std::string& commandLine,
                               const std::string& localPath);

// The checks SendUpdateFile makes before it sends anything; a failed report says why.
OperationReport CheckUpload(const std::string& localPath);

inline constexpr char kGpsDataUpdateCommand[] = "UpdateGpsDataX\n";
inline constexpr char kVoiceDataUpdateCommand[] = "UpdateVoiceData\n";

}  // namespace kvd
