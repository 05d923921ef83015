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
    // The caller's request to stop the operation; every command of it is handed this one.
    const CancelRequest* cancel = nullptr;
};

struct OperationReport {
    CallStatus status = CallStatus::Done;  // of the command that ended the operation
    int slot = -1;        // the slot whose command failed; -1 for the mode switch or none
    std::string command;  // the command line that failed, without its line feed
    CallOutcome outcome;  // where that command stopped

    bool Succeeded() const {
        return status == CallStatus::Done || status == CallStatus::Transferred;
    }
    bool Cancelled() const { return status == CallStatus::Cancelled; }
    // A report of a failure found before anything was sent.
    static OperationReport Failure(CallFailure failure) {
        OperationReport report;
        report.status = CallStatus::Failed;
        report.outcome.failure = failure;
        return report;
    }
};

// Asks the device for its log list: one row per slot.
OperationReport FetchLogList(const TransferSettings& settings, std::vector<RowEntry>& rows);

// Asks for a list with `listCommand` (command_line::kLogList, kRecordList): rowCount rows.
OperationReport FetchList(const TransferSettings& settings, const std::string& listCommand,
                          int rowCount, std::vector<RowEntry>& rows);

// Downloads the logs of `slots`, handing each to `handler` (the KML conversion) with `folder`.
OperationReport GetSelectedFiles(const TransferSettings& settings, std::span<const int> slots,
                                 const std::string& folder, CompletionCallback handler,
                                 void* handlerContext);

// What became of one slot of GetEachFile. The device refuses an empty slot, and may refuse
// others for reasons of its own.
enum class SlotStatus { Saved, Refused, NotSaved };

struct SlotResult {
    int slot = -1;
    SlotStatus status = SlotStatus::Saved;
    OperationReport report;  // the slot's failed command and the device's reply, unless Saved
};

// Like GetSelectedFiles, but goes on past a slot the device refuses and past a log the
// handler could not save (the handler keeps its own record of why); `results` receives one
// entry per slot so handled. A failure of the link or a cancel request still stops it: the
// report then says where.
OperationReport GetEachFile(const TransferSettings& settings, std::span<const int> slots,
                            const std::string& folder, CompletionCallback handler,
                            void* handlerContext, std::vector<SlotResult>& results);

// Deletes the logs of `slots`.
OperationReport DeleteSelectedFiles(const TransferSettings& settings, std::span<const int> slots);

// Uploads a local file with an update command (command_line::kGpsDataUpdate, kVoiceDataUpdate).
// A file that is missing, unreadable, empty or too large fails before anything is sent.
OperationReport SendUpdateFile(const TransferSettings& settings, const std::string& commandLine,
                               const std::string& localPath);

// The checks SendUpdateFile makes before it sends anything; a failed report says why.
OperationReport CheckUpload(const std::string& localPath);

}  // namespace kvd
