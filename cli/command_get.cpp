// kvd2730-cli get: downloads logs and converts each to KML or GPX files at once.
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/format_option.h"
#include "cli/progress_display.h"
#include "common/atomic_file.h"
#include "common/path_text.h"
#include "gpslog/gpslog.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kGetOptions[] = {
    {"all", 'a', "", "every log the device holds"},
    {"output", 'o', "DIR", "folder for the converted files (default: the current folder)"},
    kFormatOption,
    {"new", 0, "", "only the logs the folder does not hold yet"},
    {"keep-raw", 0, "", "also save each raw log beside its converted files"},
    {"help", 'h', "", "show this help"},
};

// What the completion handler of each download needs, and what it learned.
struct Conversion {
    std::string folder;
    bool keepRaw = false;
    OutputFormats formats;
    SavedLogRecord* record = nullptr;  // with --new: noted once a log's files are written
    IconReachability* icons = nullptr;
    ProgressDisplay* progress = nullptr;
    std::string error;
};

int32_t ConvertDownload(void* context, const uint8_t* data, int32_t size, const char* folder,
                        const char* fileName) {
    Conversion& conversion = *static_cast<Conversion*>(context);
    conversion.progress->Finish(true);  // the handler runs once the file has arrived whole
    const std::span<const uint8_t> bytes(data, static_cast<std::size_t>(std::max(size, 0)));
    if (conversion.keepRaw) {
        const std::filesystem::path raw = PathFromUtf8(folder) / PathFromUtf8(fileName).filename();
        if (!WriteFileAtomically(raw, bytes, conversion.error)) {
            conversion.error = std::string(fileName) + ": " + conversion.error;
            return 0;
        }
        std::printf("%s\n", PathToUtf8(raw).c_str());
    }
    auto written = [&](const std::filesystem::path& path, const std::string& error) {
        if (!error.empty()) {
            conversion.error = std::string(fileName) + ": " + error;
            return false;
        }
        std::printf("%s\n", PathToUtf8(path).c_str());
        return true;
    };
    if (conversion.formats.kml) {
        const KmlConversion kml = ConvertLogToKmlFile(bytes, folder, fileName, *conversion.icons);
        if (!written(kml.kmlPath, kml.error)) return 0;
    }
    if (conversion.formats.gpx) {
        const GpxConversion gpx = ConvertLogToGpxFile(bytes, folder, fileName);
        if (!written(gpx.gpxPath, gpx.error)) return 0;
    }
    std::string error;
    if (conversion.record && !conversion.record->Add(fileName, bytes, error)) {
        // The files are there; only the next --new will take this log again.
        std::fprintf(stderr, "kvd2730-cli get: %s\n", error.c_str());
    }
    std::fflush(stdout);
    return 1;
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
    const std::string folder = options.Value("output").value_or(".");
    std::error_code created;
    std::filesystem::create_directories(PathFromUtf8(folder), created);
    if (!std::filesystem::is_directory(PathFromUtf8(folder))) {
        std::fprintf(stderr, "kvd2730-cli get: cannot use the folder %s: %s\n", folder.c_str(),
                     created ? created.message().c_str() : "not a folder");
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
                return !row.invalid && !IsNewLog(*record, row);
            });
            if (slots.empty()) {
                std::fputs("no new logs for this folder\n", stderr);
                return kExitOk;
            }
        }
    }

    ProgressDisplay progress(stderr);
    const auto icons = ChooseIconReachability(global.Has("offline"));
    Conversion conversion;
    conversion.folder = folder;
    conversion.keepRaw = options.Has("keep-raw");
    conversion.formats = *formats;
    conversion.record = record ? &*record : nullptr;
    conversion.icons = icons.get();
    conversion.progress = &progress;
    session.Settings().progress = ProgressDisplay::Report;
    session.Settings().progressContext = &progress;

    const OperationReport report =
        GetSelectedFiles(session.Settings(), slots, folder, ConvertDownload, &conversion);
    progress.Finish(report.Succeeded());
    if (report.Succeeded()) return kExitOk;
    if (report.outcome.failure == CallFailure::Completion && !report.cancelled) {
        std::fprintf(stderr, "kvd2730-cli get: conversion error: %s\n", conversion.error.c_str());
        return kExitItemFailed;
    }
    return session.ReportFailure(report, "get");
}

}  // namespace kvd::cli
