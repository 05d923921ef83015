// The settings file: an INI file in the profile format of Windows ("[section]" lines and
// "key=value" lines), read and written here so that files move freely between systems.
// Only the key asked for changes; other sections, keys, comments, their order and the
// file's encoding are kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

enum class ProfileEncoding {
    Utf16LeBom,  // what Windows' profile functions keep Unicode in; new files get this
    Utf8Bom,
    Utf8,
    CodePage,  // the system's 8-bit code page
};

class ProfileText {
  public:
    // An empty file as a new one is written: UTF-16LE with a byte-order mark, CR LF lines.
    ProfileText() = default;
    // Reads the bytes of a file in any of the encodings above.
    static ProfileText Decode(std::span<const uint8_t> bytes);

    // The value of a key, stripped of blanks and of one pair of enclosing quotes, as
    // Windows reads it; section and key names ignore case. None when absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the key's line, or adds it at the end of its section, or adds the section at
    // the end. A value the file's code page cannot hold turns the file into UTF-16LE. A value
    // Get would not give back as it is (blanks at either end, a pair of enclosing quotes) is
    // written within quotes, as Windows keeps such a value. The value must be one CanHold takes.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Whether a value fits on its line: one without a line break.
    static bool CanHold(std::string_view value);

    std::vector<uint8_t> Encode() const;
    ProfileEncoding Encoding() const { return encoding_; }

  private:
    struct Line {
        std::string text;  // UTF-8
        std::string end;   // "\r\n", "\n", or for the last line "\r" or ""
    };
    // Index of the section's header line, or none.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // Index of the key's line within the section that starts after `header`, or none.
    std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
    std::string NewLineEnd() const;
    // Set's change of the lines, in the file's encoding.
    void PutLine(std::string_view section, std::string_view key, std::string_view value);
    // Gives the line an end before another line follows it.
    void EndLine(std::size_t index, const std::string& end);

    std::vector<Line> lines_;
    ProfileEncoding encoding_ = ProfileEncoding::Utf16LeBom;
};

// A settings file holds a path or two; anything larger is not one of ours, and is neither read
// into memory nor written over.
inline constexpr std::uintmax_t kLargestSettingsFile = 1u << 20;

enum class ProfileFileState {
    Missing,  // nothing holds the name (nor does a link that leads nowhere)
    Read,     // a regular file within the bound
    Refused,  // a folder, a pipe, a device, a file over the bound, or one the system will not read
};

struct ProfileFile {
    ProfileFileState state = ProfileFileState::Missing;
    std::vector<uint8_t> bytes;  // the whole file, when Read
    std::string why;             // when Refused: "it is a folder", "it cannot be read: <cause>"
};

// Reads a settings file without ever waiting: only a regular file up to the bound is read,
// and a pipe or a device put in its place, even at the last moment, is not waited on.
ProfileFile ReadProfileFile(const std::filesystem::path& file);

// The key's value in the file; none when the file, its section or the key is missing or the
// file cannot be read.
std::optional<std::string> ReadProfileString(const std::filesystem::path& file,
                                             std::string_view section, std::string_view key);

// Sets the key in the file, atomically. A missing file is created, from the content of
// `startFrom` when that file reads. A symbolic link stays and its target is written. False
// with the cause in error when the value cannot be kept (it holds a line break) or the file
// cannot be read or written; whatever the file is, it is then left as it was: a read-only
// file, a folder, a pipe, a file over the bound.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value, std::string& error,
                        const std::filesystem::path& startFrom = {});

}  // namespace kvd
