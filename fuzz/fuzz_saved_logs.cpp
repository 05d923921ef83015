// The record of saved logs as a save folder holds it: any bytes load without harm, and a
// record that loads takes a new log and loads again with every entry it had. The first byte
// picks whether the rest is the file as it is or, more often, lines given their end line,
// so that the fuzzer reaches past the record's hash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/transfer.h"

namespace {

namespace fs = std::filesystem;

// One folder per process, in memory where the system has it (the record is flushed to disk
// on every change), removed when the run ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        path_ = base / ("kvd-fuzz-saved-" + std::to_string(::getpid()));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

const fs::path& Folder() {
    static const ScratchFolder folder;
    return folder.path();
}

std::string Hex(uint64_t value) {
    std::string text(16, '0');
    for (int k = 15; k >= 0; --k, value >>= 4)
        text[static_cast<std::size_t>(k)] = "0123456789abcdef"[value & 0xF];
    return text;
}

std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 4 != 0) text += "end " + Hex(kvd::LogContentHash(AsBytes(text))) + "\n";
    std::ofstream(Folder() / kvd::kSavedLogsFileName, std::ios::binary | std::ios::trunc) << text;

    std::string damage;
    kvd::SavedLogRecord record = kvd::SavedLogRecord::Load(Folder(), damage);
    if (!damage.empty()) {
        if (!record.Entries().empty()) __builtin_trap();  // a damaged record is never trusted
        return 0;
    }
    const std::vector<kvd::SavedLogEntry> before = record.Entries();
    for (const kvd::SavedLogEntry& entry : before)
        if (entry.name.empty() || !record.HoldsNameAndSize(entry.name, entry.size, entry.formats))
            __builtin_trap();

    // What was read is written back whole beside the new log.
    constexpr std::string_view kLog = "a log the fuzzer never names";
    const kvd::SavedLogEntry added{"fuzz.LOG",
                                   kLog.size(),
                                   kvd::LogContentHash(AsBytes(kLog)),
                                   {true, true},
                                   {{"fuzz.LOG.kml", 1}, {"fuzz.LOG.gpx", 2}}};
    std::string error;
    if (!record.Add(added.name, AsBytes(kLog), error, added.formats, added.files)) __builtin_trap();
    const kvd::SavedLogRecord reloaded = kvd::SavedLogRecord::Load(Folder(), damage);
    if (!damage.empty()) __builtin_trap();
    std::vector<kvd::SavedLogEntry> expected = before;
    bool merged = false;
    for (kvd::SavedLogEntry& entry : expected)
        merged = merged ||
                 (entry.name == added.name && entry.size == added.size && entry.hash == added.hash);
    if (!merged) {
        expected.push_back(added);
        if (reloaded.Entries() != expected) __builtin_trap();
    }
    return 0;
}
