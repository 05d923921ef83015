#include "cli/device_session.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/commands.h"
#include "cli/permission_hint.h"
#include "shell/shell.h"

namespace kvd::cli {
namespace {

CancelRequest g_interrupt;
volatile std::sig_atomic_t g_signal = 0;  // the first that asked

// The first Ctrl-C asks the running operation to stop (it tells the device and removes its
// temporary files); a second one ends the program at once. SIGTERM and SIGHUP only ask.
extern "C" void RequestAbort(int signalNumber) {
    if (signalNumber == SIGINT && g_interrupt.IsRequested()) std::_Exit(kExitSignalBase + SIGINT);
    if (g_signal == 0) g_signal = signalNumber;
    g_interrupt.Request();
}

// A device that answers but not as itself (left inside a batch by a host that was killed,
// holding part of a line) gets the recovery; every port is asked plainly first.
bool AnyPort(const PortCandidate&) { return true; }

}  // namespace

const CancelRequest& InterruptRequest() { return g_interrupt; }

int InterruptSignal() { return g_signal; }

std::string DescribeOpenError(PortOpenError error, const std::string& port) {
    OperationReport report;
    report.outcome.failure = CallFailure::Open;
    report.outcome.openError = error;
    std::string sentence = DescribeFailure(report, port, kLangIdEnglishUs);
    if (error == PortOpenError::PermissionDenied) sentence += PermissionHint(port);
    return sentence;
}

void InstallInterruptHandler() {
    std::signal(SIGINT, RequestAbort);
    std::signal(SIGTERM, RequestAbort);
#ifdef SIGHUP
    std::signal(SIGHUP, RequestAbort);
#endif
}

DeviceSession::DeviceSession() = default;
DeviceSession::~DeviceSession() = default;

bool DeviceSession::Open(const ParsedOptions& global) {
    verbose_ = global.Has("verbose");
    SetDiagnosticStream(verbose_ ? stderr : nullptr);
    settings_.timeoutMs = TimeoutMs(global);
    settings_.cancel = &g_interrupt;
    if (global.Has("simulate")) {
        std::string error;
        simulator_ = SimulatedDevice::Start(error);
        if (!simulator_) {
            std::fprintf(stderr, "kvd2730-cli: --simulate: %s\n", error.c_str());
            return false;
        }
        SetDevicePort(0, simulator_->PortPath());
    } else if (const auto port = global.Value("port")) {
        if (!Identify(*port)) return false;
        SetDevicePort(0, *port);
    } else if (std::vector<ProbedPort> probed; !FindDevicePort(&probed, &g_interrupt, AnyPort)) {
        if (g_interrupt.IsRequested()) {
            std::fputs("kvd2730-cli: cancelled\n", stderr);
            return false;
        }
        // Say which ports could have been the device but could not be opened.
        std::fprintf(stderr, "kvd2730-cli: no KVD-2730 found");
        for (const auto& [candidate, result] : probed) {
            if (result.outcome == ProbeOutcome::CannotOpen &&
                result.openError != PortOpenError::NotFound)
                std::fprintf(stderr, "; %s",
                             DescribeOpenError(result.openError, candidate.path).c_str());
        }
        std::fprintf(stderr, " (connect the device, or name its port with --port)\n");
        return false;
    }
    settings_.port = DevicePortName();
    return true;
}

bool DeviceSession::Identify(const std::string& port) {
    const ProbeResult probe = ProbeRecovering(port, &g_interrupt);
    if (probe.outcome == ProbeOutcome::Device) return true;
    if (g_interrupt.IsRequested()) {
        std::fputs("kvd2730-cli: cancelled\n", stderr);
    } else if (probe.outcome == ProbeOutcome::CannotOpen) {
        std::fprintf(stderr, "kvd2730-cli: %s\n", DescribeOpenError(probe.openError, port).c_str());
    } else {
        std::fprintf(stderr, "kvd2730-cli: no KVD-2730 answers on %s\n", port.c_str());
    }
    return false;
}

std::string DeviceSession::Describe(const OperationReport& report) const {
    std::string sentence = DescribeFailure(report, settings_.port, kLangIdEnglishUs, verbose_);
    if (report.outcome.failure == CallFailure::Open &&
        report.outcome.openError == PortOpenError::PermissionDenied)
        sentence += PermissionHint(settings_.port);
    return sentence;
}

int DeviceSession::ReportFailure(const OperationReport& report, const std::string& action) const {
    std::fprintf(stderr, "kvd2730-cli: %s: %s\n", action.c_str(), Describe(report).c_str());
    if (report.Cancelled()) return kExitFailure;
    return report.outcome.failure == CallFailure::Completion ? kExitItemFailed : kExitFailure;
}

}  // namespace kvd::cli
