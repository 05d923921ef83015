#include "cli/commands.h"

#include <algorithm>
#include <array>

namespace kvd::cli {
namespace {

constexpr OptionSpec kGlobalOptions[] = {
    {"port", 'p', "PATH", "the device's port (default: find the device)"},
    {"timeout", 0, "MS", "longest wait for any byte from the device (default 30000)"},
    {"offline", 0, "", "do not check the icon servers; use the fallback icons"},
    {"simulate", 0, "", "work with a built-in virtual device instead of a real one"},
    {"verbose", 'v', "", "show the device's replies on standard error"},
    {"help", 'h', "", "show this help, or a command's help after its name"},
    {"version", 0, "", "show the program's version"},
};

}  // namespace

std::span<const Command> Commands() {
    // New commands go here, with their own command_<name>.cpp.
    static const std::array kCommands = {
        Command{"ports", "", "candidate ports, and which one answers as the device",
                PortsOptions(), RunPorts},
        Command{"list", "", "the device's 10 log slots: index, name, size", ListOptions(),
                RunList},
        Command{"get", "(SLOT... | --all)", "download logs and convert each to DIR/NAME.kml",
                GetOptions(), RunGet},
        Command{"delete", "SLOT...", "delete logs on the device", DeleteOptions(), RunDelete},
        Command{"update-gps", "FILE", "upload a GPS point-data file (stored as gps.FPT)",
                UpdateOptions(), RunUpdateGps},
        Command{"update-voice", "FILE", "upload a voice-synthesis file (stored as voice.mem)",
                UpdateOptions(), RunUpdateVoice},
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

bool ParseSlots(const std::vector<std::string>& arguments, std::vector<int>& slots,
                std::string& error) {
    for (const std::string& argument : arguments) {
        if (argument.size() != 1 || argument[0] < '0' || argument[0] > '9') {
            error = "'" + argument + "' is not a slot number (0 to 9)";
            return false;
        }
        slots.push_back(argument[0] - '0');
    }
    return true;
}

std::string ProgramUsage() {
    std::string text = "Usage: kvd2730-cli [OPTIONS] COMMAND [ARGS]\n\n"
                       "Works with the KVD-2730 GPS logger and its log files.\n"
                       "Slots are numbered from 0, as the device numbers them.\n\nCommands:\n";
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
