// kvd2730-cli delete: deletes logs on the device.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "cli/device_session.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kDeleteOptions[] = {
    {"yes", 'y', "", "delete without asking (needed when no terminal can ask)"},
    {"help", 'h', "", "show this help"},
};

bool OnTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdin)) && _isatty(_fileno(stderr));
#else
    return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
#endif
}

// Asks on the terminal; only an answer of y or yes goes on.
bool Confirmed(const std::set<int>& slots) {
    std::string list;
    for (const int slot : slots) list += (list.empty() ? "" : ", ") + std::to_string(slot);
    std::fprintf(stderr, "delete slot %s from the device? [y/N] ", list.c_str());
    std::fflush(stderr);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) return false;
    const std::string word(answer, std::strcspn(answer, "\r\n"));
    return word == "y" || word == "Y" || word == "yes" || word == "YES" || word == "Yes";
}

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
    const std::set<int> unique(slots.begin(), slots.end());
    if (!options.Has("yes")) {
        if (!OnTerminal()) {
            std::fputs("kvd2730-cli delete: no terminal to ask on: add --yes to delete\n", stderr);
            return kExitUsage;
        }
        if (!Confirmed(unique)) {
            std::fputs("nothing deleted\n", stderr);
            return kExitOk;
        }
    }
    InstallInterruptHandler();
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    const OperationReport report = DeleteSelectedFiles(session.Settings(), slots);
    // Slots go in ascending order and the first failure stops the rest: the ones before it
    // are gone, whatever happened after.
    std::string untried;
    for (const int slot : unique) {
        if (report.Succeeded() || (report.slot >= 0 && slot < report.slot))
            std::fprintf(stderr, "deleted slot %d\n", slot);
        else if (slot != report.slot)
            untried += (untried.empty() ? "" : ", ") + std::to_string(slot);
    }
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
