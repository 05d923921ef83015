#include "cli/option_parser.h"

#include <algorithm>

namespace kvd::cli {
namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> specs, std::string_view name) {
    const auto found = std::find_if(specs.begin(), specs.end(),
                                    [&](const OptionSpec& s) { return s.longName == name; });
    return found == specs.end() ? nullptr : &*found;
}

const OptionSpec* FindShort(std::span<const OptionSpec> specs, char name) {
    const auto found = std::find_if(specs.begin(), specs.end(),
                                    [&](const OptionSpec& s) { return s.shortName == name; });
    return found == specs.end() ? nullptr : &*found;
}

std::string OptionLabel(const OptionSpec& option) {
    std::string label = "  ";
    label += option.shortName != 0 ? std::string{'-', option.shortName} + ", " : "    ";
    label += "--" + std::string(option.longName);
    if (!option.valueName.empty()) label += " " + std::string(option.valueName);
    return label;
}

}  // namespace

std::optional<std::string> ParsedOptions::Value(std::string_view name) const {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::optional<ParsedOptions> ParseOptions(std::span<const std::string> args,
                                          std::span<const OptionSpec> specs, ParseMode mode,
                                          std::string& error) {
    ParsedOptions parsed;
    auto store = [&](const OptionSpec& option, std::optional<std::string> value) {
        if (option.valueName.empty()) {
            parsed.flags.emplace(option.longName);
        } else {
            parsed.values[std::string(option.longName)] = std::move(*value);
        }
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.positionals.insert(parsed.positionals.end(),
                                      args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                      args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            if (mode == ParseMode::StopAtPositional) {
                parsed.positionals.insert(parsed.positionals.end(),
                                          args.begin() + static_cast<std::ptrdiff_t>(i),
                                          args.end());
                break;
            }
            parsed.positionals.push_back(arg);
            continue;
        }
        const bool isLong = arg[1] == '-';
        const std::size_t equals = arg.find('=');
        const OptionSpec* option = nullptr;
        std::optional<std::string> value;
        std::string shown;
        if (isLong) {
            const std::string_view name = std::string_view(arg).substr(
                2, equals == std::string::npos ? std::string::npos : equals - 2);
            option = FindLong(specs, name);
            shown = "--" + std::string(name);
            if (equals != std::string::npos) value = arg.substr(equals + 1);
        } else {
            option = FindShort(specs, arg[1]);
            shown = arg.substr(0, 2);
            if (arg.size() > 2) {
                if (option != nullptr && option->valueName.empty()) {
                    error = "option " + shown + " takes no value (in " + arg + ")";
                    return std::nullopt;
                }
                value = arg.substr(2);
            }
        }
        if (option == nullptr) {
            error = "unknown option " + shown;
            return std::nullopt;
        }
        if (option->valueName.empty()) {
            if (value) {
                error = "option " + shown + " takes no value";
                return std::nullopt;
            }
        } else if (!value) {
            if (i + 1 >= args.size()) {
                error =
                    "option " + shown + " needs a value (" + std::string(option->valueName) + ")";
                return std::nullopt;
            }
            value = args[++i];
        }
        store(*option, std::move(value));
    }
    return parsed;
}

std::size_t HelpColumn(std::span<const OptionSpec> specs) {
    std::size_t column = 0;
    for (const OptionSpec& option : specs)
        column = std::max(column, OptionLabel(option).size() + 2);
    return column;
}

std::string DescribeOptions(std::span<const OptionSpec> specs, std::size_t column) {
    column = std::max(column, HelpColumn(specs));
    std::string text;
    for (const OptionSpec& option : specs) {
        std::string label = OptionLabel(option);
        label.resize(column, ' ');
        text += label + std::string(option.help) + "\n";
    }
    return text;
}

}  // namespace kvd::cli
