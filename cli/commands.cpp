#include "cli/commands.h"

#include <algorithm>
#include <array>

#include "common/file_names.h"

namespace kvd::cli {
std::span<const Command> Commands() {
    // New commands go here, with their own command_<name>.cpp.
    static const std::array kCommands = {
        Command{"ports", "", "candidate ports, and which one answers as the device", PortsOptions(),
                RunPorts},
        Command{"list", "", "the device's 10 log slots: index, name, size", ListOptions(), RunList},
        Command{"get", "(SLOT... | --all)",
                "download logs and convert each to DIR/NAME.kml, .kmz or .gpx", GetOptions(),
                RunGet},
        Command{"delete", "SLOT...", "delete logs on the device", DeleteOptions(), RunDelete},
        Command{"update-gps", "FILE", "upload a GPS point-data file (stored as gps.FPT)",
                UpdateOptions(), RunUpdateGps},
        Command{"update-voice", "FILE", "upload a voice-synthesis file (stored as voice.mem)",
                UpdateOptions(), RunUpdateVoice},
        Command{"convert", "LOGFILE...", "convert raw GPS log files into KML, KMZ or GPX files",
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

std::string CheckOutputOption(const ParsedOptions& options) {
    const auto folder = options.Value("output");
    if (!folder) return {};
    // An empty path would quietly stand for the current folder in one place and fail in another.
    if (folder->empty()) return "--output needs the path of a folder";
    return UnusableName(*folder);
}

std::string DescribeExitCodes() {
    return "    0  done\n"
           "    1  the device or the system failed; the work was not done\n"
           "    2  wrong options or arguments; nothing was done\n"
           "    3  some of the files or logs given failed; the others were done\n"
           "  130  stopped by Ctrl-C, whatever was done before it (SIGTERM 143, SIGHUP 129)\n";
}

std::string ProgramUsage() {
    std::size_t column = 0;
    for (const Command& command : Commands()) column = std::max(column, command.name.size());
    std::string text =
        "Usage: kvd2730-cli [OPTIONS] COMMAND [ARGS] [OPTIONS]\n\n"
        "Works with the KVD-2730 GPS logger and its log files.\n"
        "Slots are numbered from 0, as the device numbers them.\n\nCommands:\n";
    for (const Command& command : Commands()) {
        std::string name(command.name);
        name.resize(column + 2, ' ');
        text += "  " + name + std::string(command.summary) + "\n";
    }
    text += "\nOptions, before or after the command:\n" + DescribeOptions(GlobalOptions());
    text += "\nExit status:\n" + DescribeExitCodes();
    text += "\nRun 'kvd2730-cli COMMAND --help' for a command's options.\n";
    return text;
}

std::string CommandUsage(const Command& command) {
    std::string usage = "Usage: kvd2730-cli " + std::string(command.name);
    if (!command.arguments.empty()) usage += " " + std::string(command.arguments);
    usage += " [OPTIONS]\n\n" + std::string(command.summary) + "\n\n";
    // The global options it does not define itself, in one column with its own.
    const std::vector<OptionSpec> all = WithGlobalOptions(command.options);
    const std::span<const OptionSpec> globals = std::span(all).subspan(command.options.size());
    const std::size_t column = HelpColumn(all);
    usage += "Options:\n" + DescribeOptions(command.options, column);
    usage += "\nGlobal options:\n" + DescribeOptions(globals, column);
    return usage;
}

}  // namespace kvd::cli
