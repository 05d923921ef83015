// kvd2730-cli get: downloads logs and converts each to KML or GPX files at once.
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/format_option.h"
#include "cli/progress_display.h"
#include "cli/zone_option.h"
#include "common/path_text.h"
#include "gpslog/gpslog.h"
#include "shell/shell.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kGetOptions[] = {
    {"all", 'a', "", "every log the device holds"},
    {"output", 'o', "DIR", "folder for the converted files (default: the current folder)"},
    kFormatOption,
    kZoneOption,
    kUtcOption,
    {"new", 0, "", "only the logs the folder does not hold yet"},
    {"keep-raw", 0, "", "also save each raw log beside its converted files"},
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
    if (options.Has("all") || record) {
        std::vector<RowEntry> rows;
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

    std::vector<SlotResult> results;
    const OperationReport report = GetEachFile(session.Settings(), slots, folder,
                                               &RecordedDownload::Complete, &download, results);
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
    // Not an error line of its own: the errors above have each said what failed.
    if (slots.size() > 1 || exitCode != kExitOk)
        std::fprintf(stderr, "summary: %s\n",
                     Summary(results, saver, download.recordErrors.size()).c_str());
    return exitCode;
}

}  // namespace kvd::cli
