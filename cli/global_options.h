// The options every command takes, before or after its name, and their checks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/option_parser.h"

namespace kvd::cli {

std::span<const OptionSpec> GlobalOptions();

// A command's own options followed by the global ones it does not define itself.
std::vector<OptionSpec> WithGlobalOptions(std::span<const OptionSpec> own);

// Global options given after the command word join those given before it; the later wins.
void TakeGlobalOptions(const ParsedOptions& afterCommand, ParsedOptions& global);

// Empty when the global options make sense together, else the mistake in words.
std::string CheckGlobalOptions(const ParsedOptions& global);

// The per-byte time-out of --timeout, or the default; the options must have passed the check.
int32_t TimeoutMs(const ParsedOptions& global);

}  // namespace kvd::cli
