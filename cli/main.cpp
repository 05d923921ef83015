#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "shell/shell.h"

#ifndef KVD_VERSION
#define KVD_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    using namespace kvd::cli;
    kvd::InitUserLanguage();
    const std::vector<std::string> args(argv + 1, argv + argc);

    std::string error;
    const auto global = ParseOptions(args, GlobalOptions(), ParseMode::StopAtPositional, error);
    if (!global) {
        std::fprintf(stderr, "kvd2730-cli: %s\n\n%s", error.c_str(), ProgramUsage().c_str());
        return kExitUsage;
    }
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
        std::fprintf(stderr, "kvd2730-cli: unknown command '%s'\n\n%s", name.c_str(),
                     ProgramUsage().c_str());
        return kExitUsage;
    }
    const std::vector<std::string> rest(global->positionals.begin() + 1,
                                        global->positionals.end());
    const auto options = ParseOptions(rest, command->options, ParseMode::Everywhere, error);
    if (!options) {
        std::fprintf(stderr, "kvd2730-cli %s: %s\n\n%s", name.c_str(), error.c_str(),
                     CommandUsage(*command).c_str());
        return kExitUsage;
    }
    if (global->Has("help") || options->Has("help")) {
        std::fputs(CommandUsage(*command).c_str(), stdout);
        return kExitOk;
    }
    return command->run(*global, *options);
}
