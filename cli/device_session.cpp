#include "cli/device_session.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/commands.h"
#include "cli/permission_hint.h"

namespace kvd::cli {
namespace {

extern "C" void RequestAbort(int) { g_abortRequest = 1; }

std::string DescribeFailure(const OperationReport& report, const std::string& port) {
    const CallOutcome& outcome = report.outcome;
    const std::string command = "'" + report.command + "'";
    switch (outcome.failure) {
        case CallFailure::Open:
            return DescribeOpenError(outcome.openError, port);
        case CallFailure::Unsendable:
            return command + " is too long for the device";
        case CallFailure::Echo:
            return "no answer from the device on " + port + " (no echo of " + command + ")";
        case CallFailure::NoAnswer:
            return "no answer from the device to " + command;
        case CallFailure::BadReply:
            return "unreadable reply to " + command + " (a line longer than 1033 bytes)";
        case CallFailure::Refused: {
            std::string reply = outcome.reply;
            while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
            return "refused by the device: " + command +
                   (reply.empty() ? std::string() : " answered '" + reply + "'");
        }
        case CallFailure::Transfer:
            return "transfer error at block " + std::to_string(outcome.blockIndex) + " of " + command;
        case CallFailure::Completion:
            return "conversion error after " + command;
        case CallFailure::None:
            break;
    }
    return command + " failed";
}

}  // namespace

std::string DescribeOpenError(PortOpenError error, const std::string& port) {
    switch (error) {
        case PortOpenError::NotFound:
            return "no such port: " + port;
        case PortOpenError::PermissionDenied:
            return "permission denied on " + port + PermissionHint(port);
        case PortOpenError::Busy:
            return port + " is in use by another program";
        case PortOpenError::NotASerialPort:
            return port + " is not a serial port";
        case PortOpenError::Other:
        case PortOpenError::None:
            break;
    }
    return "cannot open " + port;
}

void InstallInterruptHandler() {
    std::signal(SIGINT, RequestAbort);
    std::signal(SIGTERM, RequestAbort);
}

DeviceSession::DeviceSession() = default;
DeviceSession::~DeviceSession() = default;

bool DeviceSession::Open(const ParsedOptions& global) {
    SetDiagnosticStream(global.Has("verbose") ? stderr : nullptr);
    settings_.timeoutMs = TimeoutMs(global);
    if (global.Has("simulate")) {
        std::string error;
        simulator_ = SimulatedDevice::Start(error);
        if (!simulator_) {
            std::fprintf(stderr, "kvd2730-cli: --simulate: %s\n", error.c_str());
            return false;
        }
        SetDevicePort(0, simulator_->PortPath());
    } else if (const auto port = global.Value("port")) {
        SetDevicePort(0, *port);
    } else if (std::vector<ProbedPort> probed; !FindDevicePort(&probed)) {
        // Say which ports could have been the device but could not be opened.
        std::fprintf(stderr, "kvd2730-cli: no KVD-2730 found");
        for (const auto& [candidate, result] : probed) {
            if (result.outcome == ProbeOutcome::CannotOpen && result.openError != PortOpenError::NotFound)
                std::fprintf(stderr, "; %s", DescribeOpenError(result.openError, candidate.path).c_str());
        }
        std::fprintf(stderr, " (connect the device, or name its port with --port)\n");
        return false;
    }
    settings_.port = DevicePortName();
    return true;
}

int DeviceSession::ReportFailure(const OperationReport& report, const std::string& action) const {
    if (report.cancelled) {
        std::fprintf(stderr, "kvd2730-cli: %s: cancelled\n", action.c_str());
        return kExitFailure;
    }
    std::fprintf(stderr, "kvd2730-cli: %s: %s\n", action.c_str(),
                 DescribeFailure(report, settings_.port).c_str());
    return report.outcome.failure == CallFailure::Completion ? kExitItemFailed : kExitFailure;
}

}  // namespace kvd::cli
