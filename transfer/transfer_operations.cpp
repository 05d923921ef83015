#include "transfer/transfer_operations.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "common/path_text.h"
#include "common/system_text.h"

namespace kvd {
namespace {

constexpr const char* kModeCommand = command_line::kSetMode;

// One exchange of an operation, under the operation's cancel request.
bool Exchange(const std::string& command, int slot, DeviceCall call,
              const TransferSettings& settings, OperationReport& report) {
    call.timeoutMs = settings.timeoutMs;
    call.cancel = settings.cancel;
    const CallOutcome outcome = RunDeviceCommand(settings.port, command, call);
    report.status = outcome.status;
    if (outcome.Succeeded()) return true;
    report.slot = slot;
    report.command = command.substr(0, command.find('\n'));
    report.outcome = outcome;
    return false;
}

std::set<int> Ascending(std::span<const int> slots) { return {slots.begin(), slots.end()}; }

// A file the device would get nothing useful from fails before the device is told to expect
// one: an empty upload would replace its data with nothing.
}  // namespace

OperationReport CheckUpload(const std::string& localPath) {
    OperationReport report;
    CallOutcome& outcome = report.outcome;
    std::error_code code;
    const std::filesystem::path path = PathFromUtf8(localPath);
    const auto status = std::filesystem::status(path, code);
    if (status.type() == std::filesystem::file_type::not_found) {
        outcome.cause = FailureCause::FileMissing;
    } else if (code || status.type() == std::filesystem::file_type::directory) {
        outcome.cause = FailureCause::FileUnreadable;
        outcome.detail = code ? ErrorCodeText(code) : ErrnoText(EISDIR);
    } else if (std::ifstream in(path, std::ios::binary); !in) {
        outcome.cause = FailureCause::FileUnreadable;
        outcome.detail = ErrnoText(errno);
    } else if (const auto size = std::filesystem::file_size(path, code); code) {
        outcome.cause = FailureCause::FileUnreadable;
        outcome.detail = ErrorCodeText(code);
    } else if (size == 0) {
        outcome.cause = FailureCause::FileEmpty;
    } else if (size > static_cast<uintmax_t>(kMaxTransferSize)) {
        outcome.cause = FailureCause::FileTooLarge;
    } else {
        return report;
    }
    outcome.failure = CallFailure::Transfer;
    report.status = CallStatus::Failed;
    return report;
}

OperationReport FetchLogList(const TransferSettings& settings, std::vector<RowEntry>& rows) {
    return FetchList(settings, command_line::kLogList, kGpsLogRowCount, rows);
}

OperationReport FetchList(const TransferSettings& settings, const std::string& listCommand,
                          int rowCount, std::vector<RowEntry>& rows) {
    OperationReport report;
    if (!Exchange(kModeCommand, -1, {}, settings, report)) return report;
    std::string reply;
    DeviceCall call;
    call.replyOut = &reply;
    if (Exchange(listCommand, -1, call, settings, report)) rows = ApplyListReply(reply, rowCount);
    return report;
}

namespace {

// One log's download: progress to the caller's reporter, the file to its handler.
DeviceCall DownloadCall(const TransferSettings& settings, const std::string& folder,
                        CompletionCallback handler, void* handlerContext) {
    DeviceCall call;
    call.folder = folder.c_str();
    call.progress = settings.progress;
    call.progressContext = settings.progressContext;
    call.completion = handler;
    call.completionContext = handlerContext;
    return call;
}

}  // namespace

OperationReport GetSelectedFiles(const TransferSettings& settings, std::span<const int> slots,
                                 const std::string& folder, CompletionCallback handler,
                                 void* handlerContext) {
    OperationReport report;
    if (!Exchange(kModeCommand, -1, {}, settings, report)) return report;
    for (const int slot : Ascending(slots)) {
        const DeviceCall call = DownloadCall(settings, folder, handler, handlerContext);
        if (!Exchange(command_line::GetLog(slot), slot, call, settings, report)) break;
    }
    return report;
}

OperationReport GetEachFile(const TransferSettings& settings, std::span<const int> slots,
                            const std::string& folder, CompletionCallback handler,
                            void* handlerContext, std::vector<SlotResult>& results) {
    OperationReport report;
    if (!Exchange(kModeCommand, -1, {}, settings, report)) return report;
    for (const int slot : Ascending(slots)) {
        const DeviceCall call = DownloadCall(settings, folder, handler, handlerContext);
        OperationReport item;
        if (Exchange(command_line::GetLog(slot), slot, call, settings, item)) {
            results.push_back({slot, SlotStatus::Saved, {}});
            continue;
        }
        const CallFailure failure = item.outcome.failure;
        if (item.status == CallStatus::Failed &&
            (failure == CallFailure::Refused || failure == CallFailure::Completion)) {
            results.push_back(
                {slot, failure == CallFailure::Refused ? SlotStatus::Refused : SlotStatus::NotSaved,
                 item});
            continue;
        }
        return item;
    }
    return report;
}

OperationReport DeleteSelectedFiles(const TransferSettings& settings, std::span<const int> slots) {
    OperationReport report;
    if (!Exchange(kModeCommand, -1, {}, settings, report)) return report;
    for (const int slot : Ascending(slots)) {
        if (!Exchange(command_line::DeleteLog(slot), slot, {}, settings, report)) break;
    }
    return report;
}

OperationReport SendUpdateFile(const TransferSettings& settings, const std::string& commandLine,
                               const std::string& localPath) {
    OperationReport report;
    if (report = CheckUpload(localPath); !report.Succeeded()) return report;
    const std::filesystem::path path = PathFromUtf8(localPath);
    const std::string name = PathToUtf8(path.filename());
    std::string folder = PathToUtf8(path.parent_path());
    if (folder.empty()) folder = ".";
    if (!Exchange(kModeCommand, -1, {}, settings, report)) return report;
    DeviceCall call;
    call.folder = folder.c_str();
    call.fileName = name.c_str();
    call.progress = settings.progress;
    call.progressContext = settings.progressContext;
    Exchange(commandLine, -1, call, settings, report);
    return report;
}

}  // namespace kvd
