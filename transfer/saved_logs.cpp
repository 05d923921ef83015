#include "transfer/saved_logs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_lock.h"
#include "common/path_text.h"
#include "common/same_content.h"

namespace kvd {
namespace {

// Layout: the first line, then a line per log, then "end HASH" where HASH covers every byte
// before that line. A missing or wrong end line marks a cut or altered file. A record whose
// logs are all saved as KML alone, with no files noted, keeps the first layout,
// "SIZE HASH NAME", which every version of the tool reads; the second adds the formats and,
// after a tab each, the files: "SIZE HASH kml,gpx NAME<tab>HASH FILE<tab>HASH FILE". Names
// hold no tab: they come from SafeBaseName, which lets no control byte through.
constexpr std::string_view kFirstLine = "kvd2730 saved logs 1\n";
constexpr std::string_view kFirstLineWithFormats = "kvd2730 saved logs 2\n";
constexpr std::string_view kEndWord = "end ";
static_assert(kFirstLine.size() == kFirstLineWithFormats.size());

// Whether held covers every format of wanted.
bool Covers(const OutputFormats& held, const OutputFormats& wanted) {
    return (held.kml || !wanted.kml) && (held.kmz || !wanted.kmz) && (held.gpx || !wanted.gpx);
}

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

// The next space-separated field of line, taken off its front.
std::string_view TakeField(std::string_view& line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        line = {};
        return {};
    }
    const std::string_view field = line.substr(0, space);
    line.remove_prefix(space + 1);
    return field;
}

// One line of a log without its line feed: "SIZE HASH NAME", or "SIZE HASH FORMATS NAME"
// followed by its files.
bool ParseEntry(std::string_view line, bool withFormats, SavedLogEntry& entry) {
    std::string_view rest = line.substr(0, line.find('\t'));
    const std::string_view size = TakeField(rest);
    const std::string_view hash = TakeField(rest);
    if (withFormats) {
        const std::optional<OutputFormats> formats = ParseOutputFormats(TakeField(rest));
        if (!formats) return false;
        entry.formats = *formats;
    }
    entry.name = std::string(rest);
    if (entry.name.empty() || !ParseNumber(size, entry.size, 10) || hash.size() != 16 ||
        !ParseNumber(hash, entry.hash, 16))
        return false;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;) {
        const std::size_t next = line.find('\t', tab + 1);
        std::string_view file = line.substr(
            tab + 1, next == std::string_view::npos ? std::string_view::npos : next - tab - 1);
        SavedFile saved;
        const std::string_view fileHash = TakeField(file);
        saved.name = std::string(file);
        if (!withFormats || saved.name.empty() || fileHash.size() != 16 ||
            !ParseNumber(fileHash, saved.hash, 16))
            return false;
        entry.files.push_back(std::move(saved));
        tab = next;
    }
    return true;
}

// The entries of a record's text; false with the reason when the text is not a whole record.
bool ParseRecord(std::string_view text, std::vector<SavedLogEntry>& entries, std::string& damage) {
    const bool withFormats = text.starts_with(kFirstLineWithFormats);
    if (!withFormats && !text.starts_with(kFirstLine)) {
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
        if (lineEnd == std::string_view::npos ||
            !ParseEntry(body.substr(0, lineEnd), withFormats, entry)) {
            damage = "a line of it cannot be read";
            return false;
        }
        entries.push_back(std::move(entry));
        body.remove_prefix(lineEnd + 1);
    }
    return true;
}

std::string RecordText(const std::vector<SavedLogEntry>& entries) {
    const bool withFormats = std::any_of(entries.begin(), entries.end(), [](const auto& e) {
        return e.formats != OutputFormats{} || !e.files.empty();
    });
    std::string text(withFormats ? kFirstLineWithFormats : kFirstLine);
    for (const SavedLogEntry& e : entries) {
        text += std::to_string(e.size) + " " + Hex(e.hash) + " ";
        if (withFormats) text += OutputFormatsText(e.formats) + " ";
        text += e.name;
        for (const SavedFile& file : e.files) text += "\t" + Hex(file.hash) + " " + file.name;
        text += "\n";
    }
    return text + std::string(kEndWord) + Hex(Fnv1a(text)) + "\n";
}

// Names that would break the line layout are not noted.
bool FitsALine(const std::string& name) {
    return !name.empty() && name.find_first_of("\t\n\r") == std::string::npos;
}

// Far beyond any folder's worth of lines; a larger file is not a record of ours.
constexpr std::uintmax_t kLargestRecord = 16u << 20;

bool ReadRecordText(const std::filesystem::path& file, std::string& text, std::string& why) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) {
        why = "it is not a file";
        return false;
    }
    // Read to the end of the one file opened, never to a size taken by name: another run may
    // put a new record in its place between the two, and a read cut to the old size would
    // take the new record for a damaged one.
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "it cannot be read";
        return false;
    }
    text.clear();
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestRecord) {
            why = "it is far too large";
            return false;
        }
    }
    if (in.bad()) {
        why = "it cannot be read";
        return false;
    }
    return true;
}

}  // namespace

uint64_t LogContentHash(std::span<const uint8_t> bytes) {
    ContentHash hash;
    hash.Add(bytes);
    return hash.Value();
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

bool SavedLogRecord::HoldsNameAndSize(const std::string& name, uint64_t size,
                                      const OutputFormats& wanted) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const SavedLogEntry& e) {
        return e.name == name && e.size == size && Covers(e.formats, wanted);
    });
}

bool IsNewLog(const SavedLogRecord& record, const RowEntry& row, const OutputFormats& wanted) {
    return !row.invalid && (row.size < 0 || !record.HoldsNameAndSize(
                                                row.name, static_cast<uint64_t>(row.size), wanted));
}

bool SavedLogRecord::Holds(const std::string& name, std::span<const uint8_t> bytes,
                           const OutputFormats& wanted) const {
    const uint64_t hash = LogContentHash(bytes);
    return std::any_of(entries_.begin(), entries_.end(), [&](const SavedLogEntry& e) {
        return e.name == name && e.size == bytes.size() && e.hash == hash &&
               Covers(e.formats, wanted);
    });
}

bool SavedLogRecord::WroteFileFor(const std::string& name, std::span<const uint8_t> bytes,
                                  const std::string& fileName, uint64_t fileHash) const {
    const uint64_t hash = LogContentHash(bytes);
    const SavedFile wanted{fileName, fileHash};
    return std::any_of(entries_.begin(), entries_.end(), [&](const SavedLogEntry& e) {
        return e.name == name && e.size == bytes.size() && e.hash == hash &&
               std::find(e.files.begin(), e.files.end(), wanted) != e.files.end();
    });
}

bool SavedLogRecord::Add(const std::string& name, std::span<const uint8_t> bytes,
                         std::string& error, const OutputFormats& formats,
                         const std::vector<SavedFile>& files) {
    // A name that would break the line layout is not noted: that log simply stays new.
    if (!FitsALine(name)) return true;
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
    const uint64_t hash = LogContentHash(bytes);
    auto held = std::find_if(entries.begin(), entries.end(), [&](const SavedLogEntry& e) {
        return e.name == name && e.size == bytes.size() && e.hash == hash;
    });
    const bool added = held == entries.end();
    if (added) {
        entries.push_back({name, bytes.size(), hash, formats});
        held = entries.end() - 1;
    }
    SavedLogEntry noted = *held;
    noted.formats.kml = noted.formats.kml || formats.kml;
    noted.formats.kmz = noted.formats.kmz || formats.kmz;
    noted.formats.gpx = noted.formats.gpx || formats.gpx;
    for (const SavedFile& file : files) {
        if (!FitsALine(file.name)) continue;
        const auto same = std::find_if(noted.files.begin(), noted.files.end(),
                                       [&](const SavedFile& f) { return f.name == file.name; });
        if (same == noted.files.end())
            noted.files.push_back(file);
        else
            same->hash = file.hash;
    }
    if (!added && noted == *held) {
        entries_ = std::move(entries);
        return true;
    }
    *held = std::move(noted);
    text = RecordText(entries);
    if (!WriteFileAtomically(file_, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                             error)) {
        error = "cannot update the record of saved logs: " + error;
        return false;
    }
    entries_ = std::move(entries);
    return true;
}

}  // namespace kvd
