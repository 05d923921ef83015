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
    // Slots go in ascending order and the first failure stops the rest: the ones before it
    // are gone, whatever happened after.
    std::string untried;
    for (const int slot : std::set<int>(slots.begin(), slots.end())) {
        if (report.Succeeded() || (report.slot >= 0 && slot < report.slot))
            std::printf("deleted slot %d\n", slot);
        else if (slot != report.slot)
            untried += (untried.empty() ? "" : ", ") + std::to_string(slot);
    }
    std::fflush(stdout);
    if (report.Succeeded()) return kExitOk;
    const int exitCode = session.ReportFailure(report, "delete");
    if (!untried.empty())
        std::fprintf(stderr, "kvd2730-cli: delete: not tried: slot %s\n", untried.c_str());
    // A slot the device refused (an empty one, as a rule) was given in error; the device did
    // not fail.
    return report.outcome.failure == CallFailure::Refused && !report.Cancelled() ? kExitItemFailed
                                                                                 : exitCode;
}

}  // namespace kvd::cli
