// kvd2730-cli list: the device's log slots, as text or JSON.
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/format_option.h"
#include "cli/json_text.h"
#include "cli/text_columns.h"
#include "common/path_text.h"
#include "transfer/transfer.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kListOptions[] = {
    {"json", 0, "", "print an array of {\"slot\", \"name\", \"size\"} objects"},
    {"output", 'o', "DIR", "mark the logs that are new for the folder DIR (as get --new)"},
    {"format", 'f', "LIST", "with -o: the formats get --new would write (default kml)"},
    {"help", 'h', "", "show this help"},
};

// Per row: whether it is new for the folder given with -o; empty without -o.
using NewMarks = std::vector<bool>;

void PrintJson(const std::vector<RowEntry>& rows, const NewMarks& isNew) {
    std::string out = "[";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RowEntry& row = rows[k];
        out += k ? ",\n " : "\n ";
        out += "{\"slot\": " + std::to_string(k) + ", \"name\": ";
        out += row.invalid ? "null" : JsonString(row.name);
        out += ", \"size\": ";
        out += row.invalid || row.size < 0 ? "null" : std::to_string(row.size);
        if (!isNew.empty()) out += isNew[k] ? ", \"new\": true" : ", \"new\": false";
        out += "}";
    }
    out += "\n]\n";
    std::fputs(out.c_str(), stdout);
}

void PrintTable(const std::vector<RowEntry>& rows, const NewMarks& isNew) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RowEntry& row = rows[k];
        if (row.invalid) {
            std::printf("%zu  (empty)\n", k);
        } else if (row.size < 0) {
            std::printf("%zu  %s\n", k, row.name.c_str());
        } else {
            std::printf("%zu  %s %10d bytes%s\n", k, PadToWidth(row.name, 24).c_str(), row.size,
                        !isNew.empty() && isNew[k] ? "  new" : "");
        }
    }
}

// A folder not there yet holds no logs, so all are new for it; anything but a folder in its
// place is the mistake it is for get --new, and is said before the device is asked.
bool CheckMarkFolder(const std::string& folder, std::string& error) {
    std::error_code code;
    const std::filesystem::path path = PathFromUtf8(folder);
    if (std::filesystem::exists(path, code) && !std::filesystem::is_directory(path, code)) {
        error = folder + " is not a folder";
        return false;
    }
    return true;
}

}  // namespace

std::span<const OptionSpec> ListOptions() { return kListOptions; }

int RunList(const ParsedOptions& global, const ParsedOptions& options) {
    if (!options.positionals.empty()) {
        std::fputs("kvd2730-cli list: takes no arguments\n", stderr);
        return kExitUsage;
    }
    std::string error;
    const std::optional<OutputFormats> formats = ParseFormats(options.Value("format"), error);
    if (!formats) {
        std::fprintf(stderr, "kvd2730-cli list: %s\n", error.c_str());
        return kExitUsage;
    }
    const auto folder = options.Value("output");
    if (folder && !CheckMarkFolder(*folder, error)) {
        std::fprintf(stderr, "kvd2730-cli list: %s\n", error.c_str());
        return kExitFailure;
    }
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    std::vector<RowEntry> rows;
    const OperationReport report = FetchLogList(session.Settings(), rows);
    if (!report.Succeeded()) return session.ReportFailure(report, "list");
    NewMarks isNew;
    if (folder) {
        std::string damage;
        const SavedLogRecord record = SavedLogRecord::Load(PathFromUtf8(*folder), damage);
        if (!damage.empty()) std::fprintf(stderr, "kvd2730-cli list: %s\n", damage.c_str());
        for (const RowEntry& row : rows) isNew.push_back(IsNewLog(record, row, *formats));
    }
    options.Has("json") ? PrintJson(rows, isNew) : PrintTable(rows, isNew);
    return kExitOk;
}

}  // namespace kvd::cli
