// kvd2730-cli delete: deletes logs on the device.
#include <cstdio>
#include <set>

#include "cli/commands.h"
#include "cli/device_session.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kDeleteOptions[] = {
    {"help", 'h', "", "show this help"},
};

}  // namespace

std::span<const OptionSpec> DeleteOptions() { return kDeleteOptions; }

int RunDelete(const ParsedOptions& global, const ParsedOptions& options) {
    std::vector<int> slots;
    std::string error;
    if (!ParseSlots(options.positionals, slots, error) || slots.empty()) {
        std::fprintf(stderr, "kvd2730-cli delete: %s\n",
                     error.empty() ? "name the slots to delete" : error.c_str());
        return kExitUsage;
    }
    InstallInterruptHandler();
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    const OperationReport report = DeleteSelectedFiles(session.Settings(), slots);
    if (!report.Succeeded()) return session.ReportFailure(report, "delete");
    for (const int slot : std::set<int>(slots.begin(), slots.end())) std::printf("deleted slot %d\n", slot);
    return kExitOk;
}

}  // namespace kvd::cli
