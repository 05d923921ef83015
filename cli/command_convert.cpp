#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "gpslog/gpslog.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kConvertOptions[] = {
    {"output", 'o', "DIR", "folder for the KML files (default: the current folder)"},
    {"offline", 0, "", "do not check the icon servers; use the fallback icons"},
    {"help", 'h', "", "show this help"},
};

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = "is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open: " + std::system_category().message(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read: " + std::system_category().message(errno);
        return false;
    }
    return true;
}

}  // namespace

std::span<const OptionSpec> ConvertOptions() { return kConvertOptions; }

int RunConvert(const ParsedOptions& global, const ParsedOptions& options) {
    if (options.positionals.empty()) {
        std::fputs("kvd2730-cli convert: no log file given\n", stderr);
        return kExitUsage;
    }
    const std::string folder = options.Value("output").value_or(".");
    const auto icons = ChooseIconReachability(global.Has("offline"));
    int exitCode = kExitOk;
    for (const std::string& logFile : options.positionals) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (ReadWholeFile(logFile, bytes, error)) {
            const std::string name = std::filesystem::path(logFile).filename().string();
            const KmlConversion result = ConvertLogToKmlFile(bytes, folder, name, *icons);
            if (result.Succeeded()) {
                std::printf("%s -> %s\n", logFile.c_str(), result.kmlPath.string().c_str());
                continue;
            }
            error = result.error;
        }
        std::fprintf(stderr, "%s: failed: %s\n", logFile.c_str(), error.c_str());
        exitCode = kExitItemFailed;
    }
    return exitCode;
}

}  // namespace kvd::cli
