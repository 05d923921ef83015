// The record a save folder keeps of the logs saved into it, so that a later download can take
// only what is new. One small text file in the folder, a line per log (its device name, its
// size, a hash of its bytes, the formats it was saved in and the files its saving wrote, each
// with a hash of its bytes), written whole and atomically after every log, under a lock that
// runs saving into the folder at the same time share. A record that does not read back exactly
// as written is damaged: it is reported and started afresh, never trusted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "gpslog/gpslog.h"
#include "transfer/list_rows.h"

namespace kvd {

inline constexpr const char* kSavedLogsFileName = ".kvd2730-saved";
// Locked while a run updates the record; it stays in the folder.
inline constexpr const char* kSavedLogsLockName = ".kvd2730-saved.lock";

// 64-bit FNV-1a of the bytes: tells different trips of the same name and size apart.
uint64_t LogContentHash(std::span<const uint8_t> bytes);

// A file the saving of a log wrote, as it was written.
struct SavedFile {
    std::string name;   // in the folder: "06011200 (2).LOG.kml"
    uint64_t hash = 0;  // ContentHash of its bytes

    bool operator==(const SavedFile&) const = default;
};

struct SavedLogEntry {
    std::string name;  // as the device names the log
    uint64_t size = 0;
    uint64_t hash = 0;
    OutputFormats formats;  // the files saved of it; KML for lines of records that had none
    std::vector<SavedFile> files = {};  // the latest of each name; none in older records

    bool operator==(const SavedLogEntry&) const = default;
};

class SavedLogRecord {
  public:
    // The record of folder: empty when there is none yet. A damaged record gives an empty
    // one and damage says why; its file is replaced at the next Add.
    static SavedLogRecord Load(const std::filesystem::path& folder, std::string& damage);

    // Whether a log of this name and size is held in every format wanted: what the device's
    // list tells before any download.
    bool HoldsNameAndSize(const std::string& name, uint64_t size,
                          const OutputFormats& wanted = {}) const;
    // Whether exactly this log is held in every format wanted: name, size and content.
    bool Holds(const std::string& name, std::span<const uint8_t> bytes,
               const OutputFormats& wanted = {}) const;
    // Whether the file of this name was written for exactly this log and still holds what was
    // written (its hash is fileHash): then it is that log's own file.
    bool WroteFileFor(const std::string& name, std::span<const uint8_t> bytes,
                      const std::string& fileName, uint64_t fileHash) const;

    // Notes a log whose files are written and saves the record; false with the reason in
    // error (the log is then not noted on disk, so it counts as new next time). The record is
    // read again under the folder's lock and added to, so that the lines other runs wrote
    // since Load stay. A log noted before gains the formats it lacked, and its files are
    // noted as they are now.
    bool Add(const std::string& name, std::span<const uint8_t> bytes, std::string& error,
             const OutputFormats& formats = {}, const std::vector<SavedFile>& files = {});

    const std::vector<SavedLogEntry>& Entries() const { return entries_; }

  private:
    explicit SavedLogRecord(std::filesystem::path file) : file_(std::move(file)) {}

    std::filesystem::path file_;
    std::vector<SavedLogEntry> entries_;
};

// A row of the device's list that the folder of record does not hold in every format wanted:
// decided by name and size, the two things the device tells without sending the log.
bool IsNewLog(const SavedLogRecord& record, const RowEntry& row, const OutputFormats& wanted = {});

}  // namespace kvd
