// kvd2730-cli ports: every candidate port, and what answered on it.
#include <cstdio>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/text_columns.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kPortsOptions[] = {
    {"help", 'h', "", "show this help"},
};

std::string Verdict(const PortCandidate& candidate, const ProbeResult& result) {
    switch (result.outcome) {
        case ProbeOutcome::Device:
            return result.recovered ? "KVD-2730 (brought back to its prompt)" : "KVD-2730";
        case ProbeOutcome::NotTheDevice:
            return result.answered ? "answers, but not as a KVD-2730" : "no answer";
        case ProbeOutcome::CannotOpen:
            break;
    }
    return DescribeOpenError(result.openError, candidate.path);
}

}  // namespace

std::span<const OptionSpec> PortsOptions() { return kPortsOptions; }

int RunPorts(const ParsedOptions& global, const ParsedOptions& options) {
    if (!options.positionals.empty()) {
        std::fputs("kvd2730-cli ports: takes no arguments\n", stderr);
        return kExitUsage;
    }
    SetDiagnosticStream(global.Has("verbose") ? stderr : nullptr);
    InstallInterruptHandler();
    const std::vector<PortCandidate> candidates = ListPortCandidates();
    if (candidates.empty()) {
#ifdef _WIN32
        std::puts("no serial ports found (connect the device)");
#else
        // The virtual device lives on a pseudo-terminal, which the search does not look at.
        std::puts(
            "no serial ports found (connect the device, or list a virtual device's port "
            "in KVD2730_PORTS)");
#endif
        return kExitFailure;
    }
    bool found = false;
    for (const PortCandidate& candidate : candidates) {
        const ProbeResult result = ProbeRecovering(candidate.path, &InterruptRequest());
        found = found || result.outcome == ProbeOutcome::Device;
        std::printf("%s %s %s\n", PadToWidth(candidate.path, 24).c_str(),
                    PadToWidth(candidate.description, 40).c_str(),
                    Verdict(candidate, result).c_str());
    }
    return found ? kExitOk : kExitFailure;
}

}  // namespace kvd::cli
