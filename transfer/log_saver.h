// Saving downloaded logs: the completion handler both programs give a log download.
//
// Each log becomes NAME.kml in the save folder, NAME.kmz and NAME.gpx too or instead when
// asked (NAME is LogFileName of the device's name). A log that cannot be converted is kept as the
// device sent it, under that name, and its record says so. Names never collide: within one saver a
// second log of the same name gets "NAME (2)", "NAME (3)", ...; nothing in the folder is
// replaced but the same log's own files. A file (not a link) holding exactly what would be
// written counts as the same log saved before and stays; one the folder's record notes as
// written for this very log, unchanged since, takes the new conversion (another language or
// zone); anything else sends the log on to the next free name, decided when the name is
// given, so another run saving at the same moment loses nothing. All files of one log share
// that name. Every file appears complete or not at all, and a log's files all or none.
//
//   LogSaver saver(SaveOptions{folder, &icons});
//   GetSelectedFiles(settings, slots, folder, LogSaver::Complete, &saver);
//   for (const SavedLog& log : saver.Logs()) ... log.written, DescribeSavedLog(log, langId)
//
// The conversion stops at the options' cancel request and leaves no file of that log; the
// progress, when set, follows each file's conversion.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "gpslog/gpslog.h"
#include "transfer/saved_logs.h"

namespace kvd {

struct SaveOptions {
    std::string folder = ".";
    IconReachability* icons = nullptr;  // null: the fallback icons, no network check
    bool keepRaw = false;               // also save each raw log beside its KML file
    bool keepUnconvertible = true;      // save the raw bytes of a log that cannot be converted
    ConversionProgress progress = nullptr;
    void* progressContext = nullptr;
    OutputFormats formats = {};             // at least one of them
    TimeZone zone = {};                     // of the logs' start times and the local times shown
    const CancelRequest* cancel = nullptr;  // stops a conversion under way
    // Tests only: runs just before each file of a log takes its final name, with that name.
    std::function<void(const std::filesystem::path&)> beforeFinalName = nullptr;
    // The folder's record, when the run keeps one: a file it notes as written for the very
    // log being saved, and unchanged since, is that log's own and takes the new conversion.
    const SavedLogRecord* record = nullptr;
    // Names the files by the log's start (StartTimeName) instead of the device's name; a log
    // without a readable start keeps the device's name.
    bool nameByStart = false;
};

enum class SaveResult {
    Converted,  // the converted files were written (and the raw log when asked, unless rawError
                // says)
    KeptRaw,    // the log could not be converted; its raw bytes were saved instead
    NotSaved,   // neither could be written
    Cancelled,  // the cancel request stopped the conversion; nothing was written
};

struct SavedLog {
    std::string deviceName;  // the name the device gave the log
    SaveResult result = SaveResult::NotSaved;
    std::vector<std::filesystem::path> written;  // every file written, in order
    std::vector<uint64_t> writtenHashes;         // the ContentHash of each, in the same order
    std::string conversionError;                 // why the converted files could not be written
    std::string rawError;                        // why the raw log could not be written
    std::string warning;                         // what the converted files leave out of the log
    uint64_t fixesLeftOut = 0;                   // the fixes the warning speaks of

    bool Succeeded() const { return result == SaveResult::Converted && rawError.empty(); }
};

class LogSaver {
  public:
    // Clears options.folder of the temporary files that runs which ended abruptly left there.
    explicit LogSaver(SaveOptions options);

    // A CompletionCallback; context is the LogSaver. 1 when the converted files were written.
    static int32_t Complete(void* context, const uint8_t* data, int32_t size, const char* folder,
                            const char* fileName);

    // Saves one log into folder; the record is also appended to Logs().
    const SavedLog& Save(std::span<const uint8_t> data, const std::string& folder,
                         const std::string& deviceName);

    const std::vector<SavedLog>& Logs() const { return logs_; }

    // Called after each log's files are written (or not), before Complete returns.
    std::function<void(const SavedLog&)> onSaved;

  private:
    bool NameUsed(const std::filesystem::path& path) const;
    // Writes every file of the log under one candidate name: each format asked, then the raw
    // log when asked (whose failure alone only sets log.rawError). A name another file took
    // meanwhile gives nameTaken, and none of the log's files stays under that name.
    FileConversion WriteAll(std::span<const uint8_t> data, const std::string& folder,
                            const std::string& name, SavedLog& log);
    bool KeepRaw(std::span<const uint8_t> data, const std::filesystem::path& folder,
                 const std::string& fileName, SavedLog& log);

    SaveOptions options_;
    std::vector<SavedLog> logs_;
    std::set<std::filesystem::path> used_;  // names this saver has written
};

// The name a log's files start from: the device's, or "_" and the device's when a file of our
// own goes by it (the record of saved logs, its lock, our temporary files) or Windows takes it
// for a device ("NUL.LOG"). The same on every system, so a folder moved between them agrees.
std::string LogFileName(const std::string& deviceName);

// "NAME" for the first candidate, then "STEM (k)EXT": "trip.LOG" gives "trip (2).LOG".
std::string CandidateName(const std::string& deviceName, int k);

}  // namespace kvd
