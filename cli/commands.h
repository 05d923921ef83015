// The command table of kvd2730-cli: one entry and one source file per command.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/global_options.h"
#include "cli/option_parser.h"

namespace kvd::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // the command could not run at all
    kExitUsage = 2,         // wrong options or arguments
    kExitItemFailed = 3,    // some of the files or items given failed
    kExitSignalBase = 128,  // plus the signal that stopped the run, as a shell reports it
};

// One line per exit status, for the usage text.
std::string DescribeExitCodes();

struct Command {
    std::string_view name;
    std::string_view arguments;  // shown after the name in the usage line
    std::string_view summary;
    std::span<const OptionSpec> options;
    // Runs the command with the global options (given before or after its name) and its own.
    int (*run)(const ParsedOptions& global, const ParsedOptions& options);
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

std::string ProgramUsage();
std::string CommandUsage(const Command& command);

int RunConvert(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> ConvertOptions();
int RunPorts(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> PortsOptions();
int RunList(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> ListOptions();
int RunGet(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> GetOptions();
int RunDelete(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> DeleteOptions();
int RunUpdateGps(const ParsedOptions& global, const ParsedOptions& options);
int RunUpdateVoice(const ParsedOptions& global, const ParsedOptions& options);
std::span<const OptionSpec> UpdateOptions();

// Empty when the folder of --output, if given, can be a folder here; else the mistake in words.
std::string CheckOutputOption(const ParsedOptions& options);

// Slot numbers 0 to 9 from the arguments; false with a message for anything else.
bool ParseSlots(const std::vector<std::string>& arguments, std::vector<int>& slots,
                std::string& error);

}  // namespace kvd::cli
