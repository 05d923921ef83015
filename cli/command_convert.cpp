#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/format_option.h"
#include "cli/progress_display.h"
#include "cli/standard_output.h"
#include "cli/zone_option.h"
#include "common/path_text.h"
#include "common/system_text.h"
#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "shell/shell.h"

namespace kvd::cli {
namespace {

constexpr OptionSpec kConvertOptions[] = {
    {"output", 'o', "DIR",
     "folder for the converted files (default: the current folder); - for standard output"},
    kFormatOption,
    kNameOption,
    kZoneOption,
    kUtcOption,
    {"offline", 0, "", "do not check the icon servers; use the fallback icons"},
    {"help", 'h', "", "show this help"},
};

// A log is never larger than the largest file a download brings. Anything larger is not a
// log, and reading it whole could exhaust memory, so its size is checked before it is read;
// a device or a pipe is read only as far as the bound.
constexpr std::uintmax_t kLargestLog = kMaxTransferSize;

std::string TooLarge(const std::string& size) {
    return "is " + size + " bytes, larger than any log (at most " + std::to_string(kLargestLog) +
           " bytes)";
}

bool ReadLogFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                 std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = "is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open: " + ErrnoText(errno);
        return false;
    }
    if (std::filesystem::is_regular_file(path, code)) {
        const std::uintmax_t size = std::filesystem::file_size(path, code);
        if (!code && size > kLargestLog) {
            error = TooLarge(std::to_string(size));
            return false;
        }
    }
    constexpr std::size_t kChunk = 1 << 20;
    try {
        while (in && bytes.size() <= kLargestLog) {
            const std::size_t had = bytes.size();
            bytes.resize(had + kChunk);
            in.read(reinterpret_cast<char*>(bytes.data() + had),
                    static_cast<std::streamsize>(kChunk));
            bytes.resize(had + static_cast<std::size_t>(in.gcount()));
        }
    } catch (const std::bad_alloc&) {
        bytes = {};
        error = "not enough memory to read it";
        return false;
    }
    if (bytes.size() > kLargestLog) {
        error = TooLarge("more than " + std::to_string(kLargestLog));
        bytes.clear();
        return false;
    }
    if (in.bad()) {
        error = "cannot read: " + ErrnoText(errno);
        return false;
    }
    return true;
}

// The output folder is made for the first log that goes into it, and taken away again when
// nothing went in after all, so that a run in which every input fails leaves no folder behind.
class OutputFolder {
  public:
    explicit OutputFolder(std::string folder) : folder_(std::move(folder)) {}
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    // The folders Make brought into being go, deepest first, unless a file went in.
    ~OutputFolder() {
        std::error_code code;
        if (!used_)
            for (const auto& path : made_)
                if (!std::filesystem::remove(path, code)) break;
    }

    bool Make(std::string& error) {
        if (ready_) return true;
        std::error_code code;
        auto path = PathFromUtf8(folder_);
        for (; path.has_relative_path() && !std::filesystem::exists(path, code);
             path = path.parent_path())
            made_.push_back(path);
        const std::optional<std::string> problem = MakeSaveFolder(folder_, kLangIdEnglishUs);
        if (problem) error = *problem;
        ready_ = !problem;
        return ready_;
    }

    void Used() { used_ = true; }

  private:
    std::string folder_;
    std::vector<std::filesystem::path> made_;
    bool ready_ = false;
    bool used_ = false;
};

}  // namespace

std::span<const OptionSpec> ConvertOptions() { return kConvertOptions; }

namespace {

// The one log given, converted to standard output: its document and nothing else there.
int ConvertToStandardOutput(const ParsedOptions& global, const std::string& logFile,
                            const OutputFormats& formats, bool nameByStart, const TimeZone& zone) {
    std::string error;
    std::vector<uint8_t> bytes;
    if (!ReadLogFile(PathFromUtf8(logFile), bytes, error)) {
        std::fprintf(stderr, "%s: failed: %s\n", logFile.c_str(), error.c_str());
        return kExitItemFailed;
    }
    ScratchFolder scratch;
    if (!scratch.Make(error)) {
        std::fprintf(stderr, "kvd2730-cli convert: %s\n", error.c_str());
        return kExitFailure;
    }
    const auto icons = ChooseIconReachability(global.Has("offline"));
    SaveOptions saveOptions;
    saveOptions.folder = PathToUtf8(scratch.Path());
    saveOptions.formats = formats;
    saveOptions.nameByStart = nameByStart;  // the track takes its name from the file
    saveOptions.zone = zone;
    saveOptions.keepUnconvertible = false;
    saveOptions.icons = icons.get();
    saveOptions.cancel = &InterruptRequest();
    LogSaver saver(saveOptions);
    InstallInterruptHandler();
    const std::string name = PathToUtf8(PathFromUtf8(logFile).filename());
    const SavedLog& log = saver.Save(bytes, saveOptions.folder, name);
    if (log.result == SaveResult::Cancelled) {
        std::fputs("kvd2730-cli convert: cancelled\n", stderr);
        return kExitFailure;
    }
    if (!log.Succeeded() || log.written.empty()) {
        std::fprintf(stderr, "%s: failed: %s\n", logFile.c_str(), log.conversionError.c_str());
        return kExitItemFailed;
    }
    if (!log.warning.empty())
        std::fprintf(stderr, "%s: warning: %s\n", logFile.c_str(), log.warning.c_str());
    if (!CopyToStandardOutput(log.written.front(), error)) {
        std::fprintf(stderr, "kvd2730-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunConvert(const ParsedOptions& global, const ParsedOptions& options) {
    if (options.positionals.empty()) {
        std::fputs("kvd2730-cli convert: no log file given\n", stderr);
        return kExitUsage;
    }
    std::string error;
    const std::optional<OutputFormats> formats = ParseFormats(options.Value("format"), error);
    if (!formats) {
        std::fprintf(stderr, "kvd2730-cli convert: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::optional<TimeZone> zone = ParseZoneOptions(options, error);
    if (!zone) {
        std::fprintf(stderr, "kvd2730-cli convert: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::optional<bool> nameByStart = ParseNameByStart(options.Value("name"), error);
    if (!nameByStart) {
        std::fprintf(stderr, "kvd2730-cli convert: %s\n", error.c_str());
        return kExitUsage;
    }
    if (OutputIsStandardOutput(options)) {
        if (const std::string mistake =
                CheckStandardOutputRun(options.positionals.size(), *formats);
            !mistake.empty()) {
            std::fprintf(stderr, "kvd2730-cli convert: %s\n", mistake.c_str());
            return kExitUsage;
        }
        PrepareStandardOutput();
        return ConvertToStandardOutput(global, options.positionals.front(), *formats, *nameByStart,
                                       *zone);
    }
    const std::string folder = options.Value("output").value_or(".");
    if (const auto problem = SaveFolderProblem(folder, kLangIdEnglishUs)) {
        std::fprintf(stderr, "kvd2730-cli convert: %s\n", problem->c_str());
        return kExitFailure;
    }
    const auto icons = ChooseIconReachability(global.Has("offline"));
    SaveOptions saveOptions;
    saveOptions.folder = folder;
    saveOptions.formats = *formats;
    saveOptions.nameByStart = *nameByStart;
    saveOptions.zone = *zone;
    saveOptions.keepUnconvertible = false;  // the log is the user's own file, still there
    saveOptions.icons = icons.get();
    ProgressDisplay progress(stderr);
    saveOptions.progress = ProgressDisplay::ReportConversion;
    saveOptions.progressContext = &progress;
    saveOptions.cancel = &InterruptRequest();
    LogSaver saver(saveOptions);
    InstallInterruptHandler();
    OutputFolder output(folder);
    int exitCode = kExitOk;
    for (const std::string& logFile : options.positionals) {
        std::vector<uint8_t> bytes;
        if (!ReadLogFile(PathFromUtf8(logFile), bytes, error)) {
            std::fprintf(stderr, "%s: failed: %s\n", logFile.c_str(), error.c_str());
            exitCode = kExitItemFailed;
            continue;
        }
        if (!output.Make(error)) {
            std::fprintf(stderr, "kvd2730-cli convert: %s\n", error.c_str());
            return kExitFailure;
        }
        const std::string name = PathToUtf8(PathFromUtf8(logFile).filename());
        const SavedLog& log = saver.Save(bytes, folder, name);
        progress.EndConversion();
        if (!log.written.empty()) output.Used();
        if (log.result == SaveResult::Cancelled) {
            std::fputs("kvd2730-cli convert: cancelled\n", stderr);
            return kExitFailure;
        }
        if (!log.Succeeded()) {
            std::fprintf(stderr, "%s: failed: %s\n", logFile.c_str(), log.conversionError.c_str());
            exitCode = kExitItemFailed;
            continue;
        }
        for (const auto& written : log.written)
            std::printf("%s -> %s\n", logFile.c_str(), PathToUtf8(written).c_str());
        // Written and counted as converted; the files say nothing of what they leave out.
        if (!log.warning.empty())
            std::fprintf(stderr, "%s: warning: %s\n", logFile.c_str(), log.warning.c_str());
    }
    return exitCode;
}

}  // namespace kvd::cli
