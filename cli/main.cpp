#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/program_arguments.h"
#include "common/system_text.h"
#include "shell/shell.h"

#ifndef KVD_VERSION
#define KVD_VERSION "unknown"
#endif

namespace kvd::cli {
namespace {

int UsageError(const std::string& where, const std::string& error, const std::string& usage) {
    std::fprintf(stderr, "%s: %s\n\n%s", where.c_str(), error.c_str(), usage.c_str());
    return kExitUsage;
}

int Run(const std::vector<std::string>& args) {
    std::string error;
    auto global = ParseOptions(args, GlobalOptions(), ParseMode::StopAtPositional, error);
    if (!global) return UsageError("kvd2730-cli", error, ProgramUsage());
    if (global->Has("version")) {
        std::printf("kvd2730-cli %s\n", KVD_VERSION);
        return kExitOk;
    }
    if (global->positionals.empty()) {
        const bool asked = global->Has("help");
        std::fputs(ProgramUsage().c_str(), asked ? stdout : stderr);
        return asked ? kExitOk : kExitUsage;
    }
    const std::string& name = global->positionals.front();
    const Command* command = FindCommand(name);
    if (command == nullptr) {
        return UsageError("kvd2730-cli", "unknown command '" + name + "'", ProgramUsage());
    }
    const std::string where = "kvd2730-cli " + name;
    const std::vector<std::string> rest(global->positionals.begin() + 1, global->positionals.end());
    const std::vector<OptionSpec> specs = WithGlobalOptions(command->options);
    const auto options = ParseOptions(rest, specs, ParseMode::Everywhere, error);
    if (!options) return UsageError(where, error, CommandUsage(*command));
    TakeGlobalOptions(*options, *global);
    if (global->Has("help")) {
        std::fputs(CommandUsage(*command).c_str(), stdout);
        return kExitOk;
    }
    if (global->Has("version")) {
        std::printf("kvd2730-cli %s\n", KVD_VERSION);
        return kExitOk;
    }
    if (error = CheckGlobalOptions(*global); error.empty()) error = CheckOutputOption(*options);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", where.c_str(), error.c_str());
        return kExitUsage;
    }
    return command->run(*global, *options);
}

}  // namespace
}  // namespace kvd::cli

int main(int argc, char** argv) {
    using namespace kvd::cli;
    kvd::InitUserLanguage();
    int exitCode = Run(ProgramArguments(argc, argv));
    // What the command printed is its result: losing it (a full disk, a closed pipe) is a failure.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int cause = errno;
        std::fprintf(stderr, "kvd2730-cli: cannot write to standard output%s%s\n",
                     cause != 0 ? ": " : "", cause != 0 ? kvd::ErrnoText(cause).c_str() : "");
        if (exitCode == kExitOk) exitCode = kExitFailure;
    }
    // A run the user stopped says so, as a shell does, whatever it had done before.
    if (const int signalNumber = InterruptSignal(); signalNumber != 0)
        exitCode = kExitSignalBase + signalNumber;
    return exitCode;
}
