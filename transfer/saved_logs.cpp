#include "transfer/saved_logs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_lock.h"
#include "common/path_text.h"

namespace kvd {
namespace {

// Layout: the first line, then "SIZE HASH NAME" per log, then "end HASH" where HASH covers
// every byte before that line. A missing or wrong end line marks a cut or altered file.
constexpr std::string_view kFirstLine = "kvd2730 saved logs 1\n";
constexpr std::string_view kEndWord = "end ";

uint64_t Fnv1a(std::string_view bytes) {
    return LogContentHash({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

std::string Hex(uint64_t value) {
    char text[16];
    for (int k = 15; k >= 0; --k, value >>= 4) text[k] = "0123456789abcdef"[value & 0xF];
    return {text, sizeof text};
}

bool ParseNumber(std::string_view text, uint64_t& value, int base) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// One "SIZE HASH NAME" line without its line feed.
bool ParseEntry(std::string_view line, SavedLogEntry& entry) {
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos) return false;
    const std::size_t second = line.find(' ', first + 1);
    if (second == std::string_view::npos) return false;
    entry.name = std::string(line.substr(second + 1));
    return !entry.name.empty() && ParseNumber(line.substr(0, first), entry.size, 10) &&
           second - first - 1 == 16 &&
           ParseNumber(line.substr(first + 1, second - first - 1), entry.hash, 16);
}

// The entries of a record's text; false with the reason when the text is not a whole record.
bool ParseRecord(std::string_view text, std::vector<SavedLogEntry>& entries, std::string& damage) {
    if (!text.starts_with(kFirstLine)) {
        damage = "it does not start as a record of saved logs";
        return false;
    }
    const std::size_t endLine = text.rfind(kEndWord);
    uint64_t sum = 0;
    if (endLine == std::string_view::npos || (endLine > 0 && text[endLine - 1] != '\n') ||
        !text.ends_with('\n') ||
        !ParseNumber(
            text.substr(endLine + kEndWord.size(), text.size() - endLine - kEndWord.size() - 1),
            sum, 16) ||
        sum != Fnv1a(text.substr(0, endLine))) {
        damage = "it is cut short or altered";
        return false;
    }
    std::string_view body = text.substr(kFirstLine.size(), endLine - kFirstLine.size());
    while (!body.empty()) {
        const std::size_t lineEnd = body.find('\n');
        SavedLogEntry entry;
        if (lineEnd == std::string_view::npos || !ParseEntry(body.substr(0, lineEnd), entry)) {
            damage = "a line of it cannot be read";
            return false;
        }
        entries.push_back(std::move(entry));
        body.remove_prefix(lineEnd + 1);
    }
    return true;
}

// Far beyond any folder's worth of lines; a larger file is not a record of ours.
constexpr std::uintmax_t kLargestRecord = 16u << 20;

bool ReadRecordText(const std::filesystem::path& file, std::string& text, std::string& why) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) {
        why = "it is not a file";
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, code);
    if (code || size > kLargestRecord) {
        why = code ? "it cannot be read" : "it is far too large";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    text.resize(static_cast<std::size_t>(size));
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in || in.gcount() != static_cast<std::streamsize>(text.size())) {
        why = "it cannot be read";
        return false;
    }
    return true;
}

}  // namespace

uint64_t LogContentHash(std::span<const uint8_t> bytes) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
    return hash;
}

SavedLogRecord SavedLogRecord::Load(const std::filesystem::path& folder, std::string& damage) {
    damage.clear();
    SavedLogRecord record(folder / kSavedLogsFileName);
    std::error_code code;
    if (!std::filesystem::exists(record.file_, code)) return record;
    std::string text;
    std::string why;
    if (!ReadRecordText(record.file_, text, why) || !ParseRecord(text, record.entries_, why)) {
        record.entries_.clear();
        damage = PathToUtf8(record.file_) + " is damaged (" + why + "); it is started afresh";
    }
    return record;
}

bool SavedLogRecord::HoldsNameAndSize(const std::string& name, uint64_t size) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const SavedLogEntry& e) { return e.name == name && e.size == size; });
}

bool IsNewLog(const SavedLogRecord& record, const RowEntry& row) {
    return !row.invalid &&
           (row.size < 0 || !record.HoldsNameAndSize(row.name, static_cast<uint64_t>(row.size)));
}

bool SavedLogRecord::Holds(const std::string& name, std::span<const uint8_t> bytes) const {
    const SavedLogEntry wanted{name, bytes.size(), LogContentHash(bytes)};
    return std::find(entries_.begin(), entries_.end(), wanted) != entries_.end();
}

bool SavedLogRecord::Add(const std::string& name, std::span<const uint8_t> bytes,
                         std::string& error) {
    // A name that would break the line layout is not noted: that log simply stays new.
    if (name.empty() || name.find_first_of("\n\r") != std::string::npos) return true;
    const SavedLogEntry added{name, bytes.size(), LogContentHash(bytes)};
    FileLock lock;
    if (!lock.Acquire(file_.parent_path() / kSavedLogsLockName, error)) {
        error = "cannot update the record of saved logs: " + error;
        return false;
    }
    // The file is what counts now: other runs may have noted logs since it was loaded. When
    // it cannot be read as a record, what Load found is all there is to keep.
    std::vector<SavedLogEntry> entries;
    std::string text;
    std::string why;
    std::error_code code;
    if (std::filesystem::exists(file_, code) &&
        (!ReadRecordText(file_, text, why) || !ParseRecord(text, entries, why)))
        entries = entries_;
    if (std::find(entries.begin(), entries.end(), added) != entries.end()) {
        entries_ = std::move(entries);
        return true;
    }
    entries.push_back(added);
    text = kFirstLine;
    for (const SavedLogEntry& e : entries) {
        text += std::to_string(e.size) + " " + Hex(e.hash) + " " + e.name + "\n";
    }
    text += std::string(kEndWord) + Hex(Fnv1a(text)) + "\n";
    if (!WriteFileAtomically(file_, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                             error)) {
        error = "cannot update the record of saved logs: " + error;
        return false;
    }
    entries_ = std::move(entries);
    return true;
}

}  // namespace kvd
