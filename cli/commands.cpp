#include "cli/commands.h"

#include <algorithm>
#include <array>

namespace kvd::cli {
namespace {

constexpr OptionSpec kGlobalOptions[] = {
    {"help", 'h', "", "show this help, or a command's help after its name"},
    {"version", 0, "", "show the program's version"},
};

}  // namespace

std::span<const Command> Commands() {
    // New commands go here, with their own command_<name>.cpp.
    static const std::array kCommands = {
        Command{"convert", "LOGFILE...", "convert raw GPS log files into KML files",
                ConvertOptions(), RunConvert},
    };
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    const auto commands = Commands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const Command& c) { return c.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

std::span<const OptionSpec> GlobalOptions() { return kGlobalOptions; }

std::string ProgramUsage() {
    std::string text = "Usage: kvd2730-cli [OPTIONS] COMMAND [ARGS]\n\n"
                       "Works with the KVD-2730 GPS logger and its log files.\n\nCommands:\n";
    for (const Command& command : Commands()) {
        std::string left = "  " + std::string(command.name);
        left.resize(std::max<std::size_t>(left.size() + 2, 14), ' ');
        text += left + std::string(command.summary) + "\n";
    }
    text += "\nOptions:\n" + DescribeOptions(GlobalOptions());
    text += "\nRun 'kvd2730-cli COMMAND --help' for a command's options.\n";
    return text;
}

std::string CommandUsage(const Command& command) {
    return "Usage: kvd2730-cli " + std::string(command.name) + " " +
           std::string(command.arguments) + " [OPTIONS]\n\n" + std::string(command.summary) +
           "\n\nOptions:\n" + DescribeOptions(command.options);
}

}  // namespace kvd::cli
