// kvd2730-cli list: the device's log slots, as text or JSON.
#include <cstdio>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "cli/text_columns.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kListOptions[] = {
    {"json", 0, "", "print an array of {\"slot\", \"name\", \"size\"} objects"},
    {"help", 'h', "", "show this help"},
};

void PrintJson(const std::vector<RowEntry>& rows) {
    std::string out = "[";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RowEntry& row = rows[k];
        out += k ? ",\n " : "\n ";
        out += "{\"slot\": " + std::to_string(k) + ", \"name\": ";
        out += row.invalid ? "null" : JsonString(row.name);
        out += ", \"size\": ";
        out += row.invalid || row.size < 0 ? "null" : std::to_string(row.size);
        out += "}";
    }
    out += "\n]\n";
    std::fputs(out.c_str(), stdout);
}

void PrintTable(const std::vector<RowEntry>& rows) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RowEntry& row = rows[k];
        if (row.invalid) {
            std::printf("%zu  (empty)\n", k);
        } else if (row.size < 0) {
            std::printf("%zu  %s\n", k, row.name.c_str());
        } else {
            std::printf("%zu  %s %10d bytes\n", k, PadToWidth(row.name, 24).c_str(), row.size);
        }
    }
}

}  // namespace

std::span<const OptionSpec> ListOptions() { return kListOptions; }

int RunList(const ParsedOptions& global, const ParsedOptions& options) {
    if (!options.positionals.empty()) {
        std::fputs("kvd2730-cli list: takes no arguments\n", stderr);
        return kExitUsage;
    }
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    std::vector<RowEntry> rows;
    const OperationReport report = FetchLogList(session.Settings(), rows);
    if (!report.Succeeded()) return session.ReportFailure(report, "list");
    options.Has("json") ? PrintJson(rows) : PrintTable(rows);
    return kExitOk;
}

}  // namespace kvd::cli
