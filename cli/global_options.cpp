#include "cli/global_options.h"

#include <algorithm>
#include <cstdlib>

#include "devicelink/devicelink.h"

namespace kvd::cli {
namespace {

constexpr long kLongestTimeoutMs = 600000;

const std::string kTimeoutHelp =
    "longest wait for any byte from the device (default " + std::to_string(kDefaultTimeoutMs) + ")";

const OptionSpec kGlobalOptions[] = {
    {"port", 'p', "PATH", "the device's port (default: find the device)"},
    {"timeout", 0, "MS", kTimeoutHelp},
    {"offline", 0, "", "do not check the icon servers; use the fallback icons"},
    {"simulate", 0, "", "work with a built-in virtual device instead of a real one"},
    {"verbose", 'v', "", "show the device's replies on standard error"},
    {"help", 'h', "", "show this help, or a command's help after its name"},
    {"version", 0, "", "show the program's version"},
};

std::optional<long> ParseTimeout(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 7) {
        return std::nullopt;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > kLongestTimeoutMs) return std::nullopt;
    return value;
}

}  // namespace

std::span<const OptionSpec> GlobalOptions() { return kGlobalOptions; }

std::vector<OptionSpec> WithGlobalOptions(std::span<const OptionSpec> own) {
    std::vector<OptionSpec> all(own.begin(), own.end());
    for (const OptionSpec& global : kGlobalOptions) {
        const bool defined = std::any_of(own.begin(), own.end(), [&](const OptionSpec& o) {
            return o.longName == global.longName;
        });
        if (!defined) all.push_back(global);
    }
    return all;
}

void TakeGlobalOptions(const ParsedOptions& afterCommand, ParsedOptions& global) {
    for (const OptionSpec& option : kGlobalOptions) {
        const std::string name(option.longName);
        if (afterCommand.flags.contains(name)) global.flags.insert(name);
        if (const auto value = afterCommand.Value(name)) global.values[name] = *value;
    }
}

std::string CheckGlobalOptions(const ParsedOptions& global) {
    if (const auto timeout = global.Value("timeout"); timeout && !ParseTimeout(*timeout)) {
        return "--timeout takes milliseconds from 1 to " + std::to_string(kLongestTimeoutMs) +
               " (not '" + *timeout + "')";
    }
    const auto port = global.Value("port");
    if (port && port->empty()) return "--port needs the path of a port";
    if (port && global.Has("simulate")) return "--simulate and --port cannot be used together";
    return {};
}

int32_t TimeoutMs(const ParsedOptions& global) {
    const auto timeout = global.Value("timeout");
    if (!timeout) return kDefaultTimeoutMs;
    return static_cast<int32_t>(ParseTimeout(*timeout).value_or(kDefaultTimeoutMs));
}

}  // namespace kvd::cli
