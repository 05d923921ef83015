// GNU-style options: --name, --name=value, --name value, -x, -x value, -xvalue, and "--"
// ending the options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvd::cli {

struct OptionSpec {
    std::string_view longName;   // without the dashes
    char shortName = 0;          // 0: none
    std::string_view valueName;  // empty: a flag without a value
    std::string_view help;
};

struct ParsedOptions {
    std::set<std::string, std::less<>> flags;
    std::map<std::string, std::string, std::less<>> values;  // the last one given wins
    std::vector<std::string> positionals;

    bool Has(std::string_view name) const { return flags.contains(name) || values.contains(name); }
    std::optional<std::string> Value(std::string_view name) const;
};

enum class ParseMode {
    Everywhere,        // options may follow positionals
    StopAtPositional,  // the first positional and all after it are left unparsed
};

// No value and error set for an unknown option or a missing value.
std::optional<ParsedOptions> ParseOptions(std::span<const std::string> args,
                                          std::span<const OptionSpec> specs, ParseMode mode,
                                          std::string& error);

// "  -o, --output DIR   help" lines for a usage text, the help starting at column or further
// right when a name needs the room.
std::string DescribeOptions(std::span<const OptionSpec> specs, std::size_t column = 0);

// The column at which every option's help can start, two spaces after the longest name.
std::size_t HelpColumn(std::span<const OptionSpec> specs);

}  // namespace kvd::cli
