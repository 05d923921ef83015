// What every device command shares: finding the port (given, discovered or simulated),
// the per-byte time-out, Ctrl-C as a cancel request, and one line that says what failed.
#pragma once

#include <memory>
#include <string>

#include "cli/option_parser.h"
#include "cli/simulated_device.h"
#include "transfer/transfer.h"

namespace kvd::cli {

class DeviceSession {
  public:
    DeviceSession();
    ~DeviceSession();

    // Resolves the port from the global options; prints why on failure.
    bool Open(const ParsedOptions& global);

    const TransferSettings& Settings() const { return settings_; }
    TransferSettings& Settings() { return settings_; }

    // "kvd2730-cli: ACTION: ..." on standard error for a failed operation; returns its exit status.
    int ReportFailure(const OperationReport& report, const std::string& action) const;

    // The sentence for a failed operation; with --verbose it names the command and the reply.
    std::string Describe(const OperationReport& report) const;

  private:
    // Checks that the device answers on a named port, with the short time-out of the
    // identification and, when the port answers otherwise, the recovery; prints why not.
    bool Identify(const std::string& port);

    bool verbose_ = false;
    TransferSettings settings_;
    std::unique_ptr<SimulatedDevice> simulator_;
};

// The reason a port could not be opened, in words, with the fix for a permission problem.
std::string DescribeOpenError(PortOpenError error, const std::string& port);

// Ctrl-C, SIGTERM and SIGHUP set the interrupt request instead of ending the program, so that
// transfers and conversions stop cleanly; a second Ctrl-C ends the program at once.
void InstallInterruptHandler();

// What those signals set; every device call and conversion of the tool is handed it.
const CancelRequest& InterruptRequest();

// The number of the first of those signals that came, or 0.
int InterruptSignal();

}  // namespace kvd::cli
