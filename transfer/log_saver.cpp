#include "transfer/log_saver.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/atomic_file.h"
#include "common/file_names.h"
#include "common/path_text.h"
#include "common/same_content.h"
#include "devicelink/devicelink.h"

namespace kvd {
namespace {

// Enough for any folder a person keeps; past it something is wrong and saving stops.
constexpr int kMaxCandidates = 1000;

std::string BaseName(const std::string& name) { return PathToUtf8(PathFromUtf8(name).filename()); }

// Our own files in a save folder all start ".kvd": the record of saved logs, its lock file,
// the temporary files, the write check. Any case, as Windows and FAT do not tell them apart.
bool NameOfOurOwn(std::string_view name) {
    constexpr std::string_view kOurs = ".kvd";
    return name.size() >= kOurs.size() &&
           std::equal(kOurs.begin(), kOurs.end(), name.begin(), [](char ours, char c) {
               return ours == std::tolower(static_cast<unsigned char>(c));
           });
}

// How writing a raw log under a name ended.
enum class RawPlacement { Written, AlreadyThere, NameTaken, Failed };

// A file of the folder's own, not a link: only such a file can count as a log saved before.
// A link's target lies elsewhere and may change or go without the folder knowing, so a log
// that met one is saved under the next free name and the link stays as it is.
bool OwnFile(const std::filesystem::path& path) {
    std::error_code code;
    return std::filesystem::symlink_status(path, code).type() ==
           std::filesystem::file_type::regular;
}

// Whether what holds path is a file with exactly these bytes: the same log saved before.
bool HoldsBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    return OwnFile(path) && FileHolds(path, bytes);
}

// A quick look before any work under a name; the creation of the name decides in the end.
bool LooksTaken(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::error_code code;
    return std::filesystem::exists(std::filesystem::symlink_status(path, code)) &&
           !HoldsBytes(path, bytes);
}

// Creates path with bytes only where nothing holds it; what holds it is never replaced.
RawPlacement PlaceRaw(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                      const SaveOptions& options, std::string& error) {
    AtomicFile file;
    if (!file.Open(path, error) || !file.Write(bytes, error)) return RawPlacement::Failed;
    if (options.beforeFinalName) options.beforeFinalName(path);
    switch (file.CommitNew(error)) {
        case CommitOutcome::Committed:
            return RawPlacement::Written;
        case CommitOutcome::NameTaken:
            return HoldsBytes(path, bytes) ? RawPlacement::AlreadyThere : RawPlacement::NameTaken;
        case CommitOutcome::Failed:
            break;
    }
    return RawPlacement::Failed;
}

}  // namespace

std::string LogFileName(const std::string& deviceName) {
    return NameOfOurOwn(deviceName) || IsWindowsDeviceName(deviceName) ? "_" + deviceName
                                                                       : deviceName;
}

std::string CandidateName(const std::string& deviceName, int k) {
    if (k <= 1) return deviceName;
    const std::filesystem::path name = PathFromUtf8(deviceName);
    return PathToUtf8(name.stem()) + " (" + std::to_string(k) + ")" + PathToUtf8(name.extension());
}

LogSaver::LogSaver(SaveOptions options) : options_(std::move(options)) {
    // What a run that ended abruptly left half-written goes before anything new is written.
    RemoveLeftoverTemporaryFiles(PathFromUtf8(options_.folder));
}

int32_t LogSaver::Complete(void* context, const uint8_t* data, int32_t size, const char* folder,
                           const char* fileName) {
    auto& saver = *static_cast<LogSaver*>(context);
    if ((data == nullptr && size != 0) || size < 0 || fileName == nullptr) return 0;
    const std::string where = folder && *folder ? folder : saver.options_.folder;
    return saver.Save({data, static_cast<std::size_t>(size)}, where, fileName).Succeeded() ? 1 : 0;
}

bool LogSaver::NameUsed(const std::filesystem::path& path) const { return used_.count(path) != 0; }

FileConversion LogSaver::WriteAll(std::span<const uint8_t> data, const std::string& folder,
                                  const std::string& name, SavedLog& log) {
    OfflineIconReachability offline;
    IconReachability& icons = options_.icons ? *options_.icons : offline;
    ConversionWatch watch;
    watch.cancel = options_.cancel;
    watch.progress = options_.progress;
    watch.progressContext = options_.progressContext;
    watch.beforeFinalName = options_.beforeFinalName;
    const ExistingFileDecision sameFile = [&](const std::filesystem::path& candidate,
                                              const std::filesystem::path& existing) {
        if (!OwnFile(existing)) return ExistingFile::Other;
        if (SameFileContent(candidate, existing)) return ExistingFile::Same;
        // Only the record can say that other bytes came from this very log.
        const std::optional<uint64_t> held =
            options_.record ? FileContentHash(existing) : std::nullopt;
        return held && options_.record->WroteFileFor(log.deviceName, data,
                                                     PathToUtf8(existing.filename()), *held)
                   ? ExistingFile::SameLog
                   : ExistingFile::Other;
    };

    // Files this call brought into being; they go again when a later one fails, so that a
    // log's files appear together or not at all. Files that were there already held the very
    // same content and stay.
    std::vector<std::filesystem::path> created;
    std::vector<std::filesystem::path> written;
    std::vector<uint64_t> hashes;
    FileConversion result;
    const auto keep = [&](FileConversion conversion) {
        result = std::move(conversion);
        if (!result.Succeeded()) return false;
        written.push_back(result.path);
        hashes.push_back(result.contentHash);
        if (!result.heldBefore) created.push_back(result.path);
        return true;
    };
    bool allWritten =
        (!options_.formats.kml ||
         keep(ConvertLogToKmlFile(data, folder, name, icons, watch, sameFile, options_.zone))) &&
        (!options_.formats.kmz ||
         keep(ConvertLogToKmzFile(data, folder, name, icons, watch, sameFile, options_.zone))) &&
        (!options_.formats.gpx ||
         keep(ConvertLogToGpxFile(data, folder, name, watch, sameFile, options_.zone)));
    if (allWritten && options_.keepRaw) {
        const std::filesystem::path raw = PathFromUtf8(folder) / PathFromUtf8(name);
        std::string error;
        switch (PlaceRaw(raw, data, options_, error)) {
            case RawPlacement::Written:
            case RawPlacement::AlreadyThere:
                written.insert(written.begin(), raw);
                hashes.insert(hashes.begin(), LogContentHash(data));
                break;
            case RawPlacement::NameTaken:
                // Another file took the raw name after the look before: the log moves on.
                allWritten = false;
                result.nameTaken = true;
                result.error = PathToUtf8(raw) + " holds a different file";
                break;
            case RawPlacement::Failed:
                log.rawError = error;
                break;
        }
    }
    if (!allWritten) {
        std::error_code code;
        for (const auto& path : created) std::filesystem::remove(path, code);
        return result;
    }
    log.written.insert(log.written.end(), written.begin(), written.end());
    log.writtenHashes.insert(log.writtenHashes.end(), hashes.begin(), hashes.end());
    return result;
}

const SavedLog& LogSaver::Save(std::span<const uint8_t> data, const std::string& folder,
                               const std::string& deviceName) {
    SavedLog& log = logs_.emplace_back();
    log.deviceName = BaseName(deviceName);

    const std::optional<std::string> start =
        options_.nameByStart ? StartTimeName(data) : std::nullopt;
    const std::string fileName = start ? *start : LogFileName(log.deviceName);
    bool converted = false;
    for (int k = 1; k <= kMaxCandidates && !converted; ++k) {
        const std::string name = CandidateName(fileName, k);
        const std::filesystem::path raw = PathFromUtf8(folder) / PathFromUtf8(name);
        if (NameUsed(raw)) continue;
        if (options_.keepRaw && LooksTaken(raw, data)) continue;
        const FileConversion result = WriteAll(data, folder, name, log);
        if (result.nameTaken) continue;
        if (result.cancelled) {
            log.result = SaveResult::Cancelled;
            log.conversionError = result.error;
            if (onSaved) onSaved(log);
            return log;
        }
        if (!result.Succeeded()) {
            log.conversionError = result.error;
            break;
        }
        used_.insert(raw);
        converted = true;
        log.warning = result.warning;
        log.fixesLeftOut = result.fixesLeftOut;
    }
    if (converted) {
        log.result = SaveResult::Converted;
    } else {
        if (log.conversionError.empty()) log.conversionError = "no free name in " + folder;
        const bool kept =
            options_.keepUnconvertible && KeepRaw(data, PathFromUtf8(folder), fileName, log);
        log.result = kept ? SaveResult::KeptRaw : SaveResult::NotSaved;
    }
    if (onSaved) onSaved(log);
    return log;
}

bool LogSaver::KeepRaw(std::span<const uint8_t> data, const std::filesystem::path& folder,
                       const std::string& fileName, SavedLog& log) {
    for (int k = 1; k <= kMaxCandidates; ++k) {
        const std::filesystem::path raw = folder / PathFromUtf8(CandidateName(fileName, k));
        if (NameUsed(raw) || LooksTaken(raw, data)) continue;
        switch (PlaceRaw(raw, data, options_, log.rawError)) {
            case RawPlacement::Written:
            case RawPlacement::AlreadyThere:
                used_.insert(raw);
                log.written.push_back(raw);
                log.writtenHashes.push_back(LogContentHash(data));
                return true;
            case RawPlacement::NameTaken:
                continue;
            case RawPlacement::Failed:
                return false;
        }
    }
    log.rawError = "no free name in " + PathToUtf8(folder);
    return false;
}

}  // namespace kvd
