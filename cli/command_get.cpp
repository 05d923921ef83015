// kvd2730-cli get: downloads logs and converts each to KML or GPX files at once.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/format_option.h"
#include "cli/progress_display.h"
#include "cli/standard_output.h"
#include "cli/zone_option.h"
#include "common/path_text.h"
#include "common/same_content.h"
#include "gpslog/gpslog.h"
#include "shell/shell.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kGetOptions[] = {
    {"all", 'a', "", "every log the device holds"},
    {"output", 'o', "DIR",
     "folder for the converted files (default: the current folder); - for standard output"},
    kFormatOption,
    kNameOption,
    kZoneOption,
    kUtcOption,
    {"new", 0, "", "only the logs the folder does not hold yet"},
    {"keep-raw", 0, "", "also save each raw log beside its converted files"},
    {"delete-saved", 0, "",
     "with --new: then delete from the device each log whose files were written and read back"},
    {"help", 'h', "", "show this help"},
};

// The names of the files written go to standard output, one a line, for scripts; what went
// wrong with a log goes to standard error.
void PrintSaved(const SavedLog& log) {
    for (const auto& path : log.written) std::printf("%s\n", PathToUtf8(path).c_str());
    std::fflush(stdout);
    const std::string problem = DescribeSavedLog(log, kLangIdEnglishUs);
    // A cancelled conversion is told once, with the operation.
    if (!problem.empty() && log.result != SaveResult::Cancelled)
        std::fprintf(stderr, "kvd2730-cli: get: %s\n", problem.c_str());
    if (!log.warning.empty())
        std::fprintf(stderr, "kvd2730-cli: get: warning: %s: %s\n", log.deviceName.c_str(),
                     log.warning.c_str());
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "2 logs saved, 1 not converted (kept raw), 1 slot refused".
std::string Summary(const std::vector<SlotResult>& results, const LogSaver& saver,
                    std::size_t notNoted) {
    std::size_t saved = 0, keptRaw = 0, notSaved = 0, refused = 0;
    for (const SavedLog& log : saver.Logs()) {
        if (log.Succeeded())
            ++saved;
        else if (log.result == SaveResult::KeptRaw)
            ++keptRaw;
        else if (log.result != SaveResult::Cancelled)
            ++notSaved;
    }
    for (const SlotResult& result : results)
        refused += result.status == SlotStatus::Refused ? 1 : 0;
    std::string text = Count(saved, "log saved", "logs saved");
    if (keptRaw) text += ", " + std::to_string(keptRaw) + " not converted (kept raw)";
    if (notSaved) text += ", " + std::to_string(notSaved) + " not saved";
    if (refused) text += ", " + Count(refused, "slot refused", "slots refused");
    if (notNoted)
        text += ", " + std::to_string(notNoted) + " not noted in the record of saved logs";
    return text;
}

// What arrived of one log, in the order the handler was called.
struct Arrival {
    uint64_t size = 0;
    uint64_t hash = 0;
    bool noted = true;  // the record took it
};

// The download's handler with a note of each log's size and hash, so that what the record
// says of it can be checked against what came.
struct WatchedDownload {
    RecordedDownload* download = nullptr;
    std::vector<Arrival> arrivals;

    static int32_t Complete(void* context, const uint8_t* data, int32_t size, const char* folder,
                            const char* fileName) {
        auto& watched = *static_cast<WatchedDownload*>(context);
        const std::span<const uint8_t> bytes(
            data, data != nullptr && size > 0 ? static_cast<std::size_t>(size) : 0);
        watched.arrivals.push_back({bytes.size(), LogContentHash(bytes)});
        const std::size_t errors = watched.download->recordErrors.size();
        const int32_t result =
            RecordedDownload::Complete(watched.download, data, size, folder, fileName);
        watched.arrivals.back().noted = watched.download->recordErrors.size() == errors;
        return result;
    }
};

// Why a log may not go from the device; empty when it is safe: converted, noted in the record
// as read from disk now, with the size the device listed and the hash of what came, and each
// of its files reading back as the saver wrote it.
std::string NotSafeToDelete(const SlotResult& result, const RowEntry& row, const SavedLog& log,
                            const Arrival& arrival, const SavedLogRecord& record) {
    if (result.status != SlotStatus::Saved || !log.Succeeded()) return "not saved";
    if (!arrival.noted) return "not noted in the record of saved logs";
    if (log.deviceName != row.name || arrival.size != static_cast<uint64_t>(row.size))
        return "not what the device listed";
    const auto entry =
        std::find_if(record.Entries().begin(), record.Entries().end(), [&](const SavedLogEntry& e) {
            return e.name == log.deviceName && e.size == arrival.size && e.hash == arrival.hash;
        });
    if (entry == record.Entries().end()) return "not in the record of saved logs";
    if (log.written.empty() || log.written.size() != log.writtenHashes.size())
        return "no files to read back";
    for (std::size_t k = 0; k < log.written.size(); ++k) {
        const SavedFile file{PathToUtf8(log.written[k].filename()), log.writtenHashes[k]};
        if (FileContentHash(log.written[k]) != std::optional<uint64_t>(file.hash))
            return PathToUtf8(log.written[k]) + " does not read back as written";
        if (std::find(entry->files.begin(), entry->files.end(), file) == entry->files.end())
            return PathToUtf8(log.written[k]) + " is not in the record of saved logs";
    }
    return {};
}

// --delete-saved: the slots whose logs this run saved and read back, and only those; each
// kept one is said with why.
std::vector<int> SlotsSafeToDelete(const std::vector<SlotResult>& results,
                                   const std::vector<RowEntry>& rows, const LogSaver& saver,
                                   const WatchedDownload& watched, const std::string& folder) {
    std::string damage;
    const SavedLogRecord record = SavedLogRecord::Load(PathFromUtf8(folder), damage);
    // The handler ran once for each slot saved or not saved, in slot order.
    const auto handled = std::count_if(results.begin(), results.end(), [](const SlotResult& r) {
        return r.status != SlotStatus::Refused;
    });
    if (!damage.empty() || static_cast<std::size_t>(handled) != saver.Logs().size() ||
        saver.Logs().size() != watched.arrivals.size()) {
        std::fputs("kvd2730-cli: get: nothing deleted: the saved logs cannot be checked\n", stderr);
        return {};
    }
    std::vector<int> safe;
    std::size_t k = 0;
    for (const SlotResult& result : results) {
        if (result.status == SlotStatus::Refused) continue;
        const RowEntry& row = rows[static_cast<std::size_t>(result.slot)];
        const std::string why =
            NotSafeToDelete(result, row, saver.Logs()[k], watched.arrivals[k], record);
        ++k;
        if (why.empty())
            safe.push_back(result.slot);
        else
            std::fprintf(stderr, "kvd2730-cli: get: slot %d (%s) stays on the device: %s\n",
                         result.slot, row.name.c_str(), why.c_str());
    }
    return safe;
}

// Deletes what SlotsSafeToDelete allows, once the whole download went through and nothing
// asked the run to stop; says on standard error what went.
int DeleteSaved(DeviceSession& session, const OperationReport& download,
                const std::vector<SlotResult>& results, const std::vector<RowEntry>& rows,
                const LogSaver& saver, const WatchedDownload& watched, const std::string& folder) {
    if (!download.Succeeded() || IsCancelled(&InterruptRequest())) {
        std::fputs("kvd2730-cli: get: nothing deleted from the device\n", stderr);
        return kExitOk;  // the download's failure is the run's
    }
    const std::vector<int> safe = SlotsSafeToDelete(results, rows, saver, watched, folder);
    if (safe.empty()) return kExitOk;
    const OperationReport report = DeleteSelectedFiles(session.Settings(), safe);
    // Slots go in ascending order and the first failure stops the rest.
    for (const int slot : safe)
        if (report.Succeeded() || (report.slot >= 0 && slot < report.slot))
            std::fprintf(stderr, "deleted slot %d (%s)\n", slot,
                         rows[static_cast<std::size_t>(slot)].name.c_str());
    if (report.Succeeded()) return kExitOk;
    return session.ReportFailure(report, "get");
}

// One slot's log to standard output: converted in a scratch folder, noted in no record, no
// file left behind.
int GetToStandardOutput(const ParsedOptions& global, int slot, const OutputFormats& formats,
                        bool nameByStart, const TimeZone& zone) {
    std::string error;
    ScratchFolder scratch;
    if (!scratch.Make(error)) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
        return kExitFailure;
    }
    const std::string folder = PathToUtf8(scratch.Path());
    InstallInterruptHandler();
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    ProgressDisplay progress(stderr);
    const auto icons = ChooseIconReachability(global.Has("offline"));
    SaveOptions saveOptions;
    saveOptions.folder = folder;
    saveOptions.formats = formats;
    saveOptions.nameByStart = nameByStart;  // the track takes its name from the file
    saveOptions.zone = zone;
    saveOptions.keepUnconvertible = false;  // nowhere to keep it: the device still holds it
    saveOptions.icons = icons.get();
    saveOptions.progress = ProgressDisplay::ReportConversion;
    saveOptions.progressContext = &progress;
    saveOptions.cancel = &InterruptRequest();
    LogSaver saver(saveOptions);
    saver.onSaved = [&progress](const SavedLog&) { progress.EndConversion(); };
    RecordedDownload download;
    download.saver = &saver;
    download.formats = formats;
    download.onArrived = [&progress] { progress.Finish(true); };
    session.Settings().progress = ProgressDisplay::Report;
    session.Settings().progressContext = &progress;

    std::vector<SlotResult> results;
    const int slots[] = {slot};
    const OperationReport report = GetEachFile(session.Settings(), slots, folder,
                                               &RecordedDownload::Complete, &download, results);
    progress.Finish(report.Succeeded());
    if (!report.Succeeded()) return session.ReportFailure(report, "get");
    for (const SlotResult& result : results)
        if (result.status == SlotStatus::Refused)
            std::fprintf(stderr, "kvd2730-cli: get: %s\n", session.Describe(result.report).c_str());
    const SavedLog* log = saver.Logs().empty() ? nullptr : &saver.Logs().back();
    if (log == nullptr || !log->Succeeded() || log->written.empty()) {
        if (log != nullptr && log->result != SaveResult::Cancelled)
            std::fprintf(stderr, "kvd2730-cli: get: %s\n",
                         DescribeSavedLog(*log, kLangIdEnglishUs).c_str());
        return log != nullptr && log->result == SaveResult::Cancelled ? kExitFailure
                                                                      : kExitItemFailed;
    }
    if (!log->warning.empty())
        std::fprintf(stderr, "kvd2730-cli: get: warning: %s: %s\n", log->deviceName.c_str(),
                     log->warning.c_str());
    if (!CopyToStandardOutput(log->written.front(), error)) {
        std::fprintf(stderr, "kvd2730-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

std::span<const OptionSpec> GetOptions() { return kGetOptions; }

int RunGet(const ParsedOptions& global, const ParsedOptions& options) {
    std::vector<int> slots;
    std::string error;
    if (!ParseSlots(options.positionals, slots, error)) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
        return kExitUsage;
    }
    if (slots.empty() == !options.Has("all")) {
        std::fputs("kvd2730-cli get: name the slots to download, or --all\n", stderr);
        return kExitUsage;
    }
    const std::optional<OutputFormats> formats = ParseFormats(options.Value("format"), error);
    if (!formats) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::optional<TimeZone> zone = ParseZoneOptions(options, error);
    if (!zone) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::optional<bool> nameByStart = ParseNameByStart(options.Value("name"), error);
    if (!nameByStart) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.Has("delete-saved") && !options.Has("new")) {
        std::fputs("kvd2730-cli get: --delete-saved needs --new\n", stderr);
        return kExitUsage;
    }
    if (OutputIsStandardOutput(options)) {
        std::string mistake = options.Has("all") ? "-o - takes exactly one slot, not --all"
                                                 : CheckStandardOutputRun(slots.size(), *formats);
        if (mistake.empty() && (options.Has("new") || options.Has("keep-raw")))
            mistake = "-o - writes no file: it takes neither --new nor --keep-raw";
        if (!mistake.empty()) {
            std::fprintf(stderr, "kvd2730-cli get: %s\n", mistake.c_str());
            return kExitUsage;
        }
        PrepareStandardOutput();
        return GetToStandardOutput(global, slots.front(), *formats, *nameByStart, *zone);
    }
    // A folder we cannot write into fails now, not after a download it would lose.
    const std::string folder = options.Value("output").value_or(".");
    if (const auto problem = SaveFolderProblem(folder, kLangIdEnglishUs)) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", problem->c_str());
        return kExitFailure;
    }

    InstallInterruptHandler();
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    std::optional<SavedLogRecord> record;
    if (options.Has("new")) {
        std::string damage;
        record = SavedLogRecord::Load(PathFromUtf8(folder), damage);
        if (!damage.empty()) std::fprintf(stderr, "kvd2730-cli get: %s\n", damage.c_str());
    }
    std::vector<RowEntry> rows;
    if (options.Has("all") || record) {
        const OperationReport listed = FetchLogList(session.Settings(), rows);
        if (!listed.Succeeded()) return session.ReportFailure(listed, "get");
        if (options.Has("all")) {
            for (std::size_t k = 0; k < rows.size(); ++k)
                if (!rows[k].invalid) slots.push_back(static_cast<int>(k));
            if (slots.empty()) {
                std::fputs("the device holds no logs\n", stderr);
                return kExitOk;
            }
        }
        if (record) {
            // Empty slots stay in: asking for one is still an error, as without --new.
            std::erase_if(slots, [&](int slot) {
                const RowEntry& row = rows[static_cast<std::size_t>(slot)];
                return !row.invalid && !IsNewLog(*record, row, *formats);
            });
            if (slots.empty()) {
                std::fputs("no new logs for this folder\n", stderr);
                return kExitOk;
            }
        }
    }
    // Made only now that the device has answered.
    if (const auto problem = MakeSaveFolder(folder, kLangIdEnglishUs)) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", problem->c_str());
        return kExitFailure;
    }

    ProgressDisplay progress(stderr);
    const auto icons = ChooseIconReachability(global.Has("offline"));
    SaveOptions saveOptions;
    saveOptions.folder = folder;
    saveOptions.formats = *formats;
    saveOptions.nameByStart = *nameByStart;
    saveOptions.zone = *zone;
    saveOptions.keepRaw = options.Has("keep-raw");
    saveOptions.icons = icons.get();
    saveOptions.progress = ProgressDisplay::ReportConversion;
    saveOptions.progressContext = &progress;
    saveOptions.cancel = &InterruptRequest();
    saveOptions.record = record ? &*record : nullptr;
    LogSaver saver(saveOptions);
    saver.onSaved = [&progress](const SavedLog& log) {
        progress.EndConversion();
        PrintSaved(log);
    };
    RecordedDownload download;
    download.saver = &saver;
    download.record =
        record ? &*record : nullptr;  // with --new: noted once a log's files are written
    download.formats = *formats;
    // Ends the transfer's progress line before the conversion says anything.
    download.onArrived = [&progress] { progress.Finish(true); };
    // The files are there, but the next --new will take this log again: the run failed.
    download.onRecordError = [](const std::string& notNoted) {
        std::fprintf(stderr, "kvd2730-cli get: %s\n", notNoted.c_str());
    };
    session.Settings().progress = ProgressDisplay::Report;
    session.Settings().progressContext = &progress;

    WatchedDownload watched{&download, {}};
    std::vector<SlotResult> results;
    const OperationReport report = GetEachFile(session.Settings(), slots, folder,
                                               &WatchedDownload::Complete, &watched, results);
    progress.Finish(report.Succeeded());
    for (const SlotResult& result : results) {
        if (result.status == SlotStatus::Refused)
            std::fprintf(stderr, "kvd2730-cli: get: %s\n", session.Describe(result.report).c_str());
    }
    int exitCode = kExitOk;
    if (!report.Succeeded()) {
        session.ReportFailure(report, "get");
        exitCode = kExitFailure;
    } else {
        for (const SlotResult& result : results)
            if (result.status != SlotStatus::Saved) exitCode = kExitItemFailed;
        if (!download.recordErrors.empty()) exitCode = kExitItemFailed;
    }
    if (options.Has("delete-saved")) {
        const int deleted = DeleteSaved(session, report, results, rows, saver, watched, folder);
        if (deleted != kExitOk && exitCode == kExitOk) exitCode = deleted;
    }
    // Not an error line of its own: the errors above have each said what failed.
    if (slots.size() > 1 || exitCode != kExitOk)
        std::fprintf(stderr, "summary: %s\n",
                     Summary(results, saver, download.recordErrors.size()).c_str());
    return exitCode;
}

}  // namespace kvd::cli
