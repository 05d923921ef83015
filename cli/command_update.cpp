// kvd2730-cli update-gps / update-voice: uploads a data file to the device.
#include <cstdio>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/progress_display.h"
#include "common/path_text.h"
#include "shell/shell.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kUpdateOptions[] = {
    {"help", 'h', "", "show this help"},
};

int RunUpdate(const ParsedOptions& global, const ParsedOptions& options, const char* commandLine,
              const char* action) {
    if (options.positionals.size() != 1) {
        std::fprintf(stderr, "kvd2730-cli %s: name one file to upload\n", action);
        return kExitUsage;
    }
    const std::string& path = options.positionals.front();
    // A file the device cannot use is refused before the device is told to expect one.
    if (const OperationReport checked = CheckUpload(path); !checked.Succeeded()) {
        std::fprintf(stderr, "kvd2730-cli %s: %s: %s\n", action, path.c_str(),
                     DescribeFailure(checked, {}, kLangIdEnglishUs).c_str());
        return kExitUsage;
    }
    InstallInterruptHandler();
    DeviceSession session;
    if (!session.Open(global)) return kExitFailure;
    ProgressDisplay progress(stderr);
    session.Settings().progress = ProgressDisplay::Report;
    session.Settings().progressContext = &progress;
    const OperationReport report = SendUpdateFile(session.Settings(), commandLine, path);
    progress.Finish(report.Succeeded());
    if (!report.Succeeded()) return session.ReportFailure(report, action);
    std::printf("uploaded %s\n", path.c_str());
    return kExitOk;
}

}  // namespace

std::span<const OptionSpec> UpdateOptions() { return kUpdateOptions; }

int RunUpdateGps(const ParsedOptions& global, const ParsedOptions& options) {
    return RunUpdate(global, options, command_line::kGpsDataUpdate, "update-gps");
}

int RunUpdateVoice(const ParsedOptions& global, const ParsedOptions& options) {
    return RunUpdate(global, options, command_line::kVoiceDataUpdate, "update-voice");
}

}  // namespace kvd::cli
