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
    // the end. A value the file's code page cannot hold turns the file into UTF-16LE.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::vector<uint8_t> Encode() const;
    ProfileEncoding Encoding() const { return encoding_; }

private:
    struct Line {
        std::string text;  // UTF-8
        std::string end;   // "\r\n", "\n" or "" for a last line without one
    };
    // Index of the section's header line, or none.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // Index of the key's line within the section that starts after `header`, or none.
    std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
    std::string NewLineEnd() const;

    std::vector<Line> lines_;
    ProfileEncoding encoding_ = ProfileEncoding::Utf16LeBom;
};

// The key's value in the file; none when the file, its section or the key is missing or the
// file cannot be read.
std::optional<std::string> ReadProfileString(const std::filesystem::path& file,
                                             std::string_view section, std::string_view key);

// Sets the key in the file (created when missing), atomically. False with the cause in
// error when the file cannot be read or written; a read-only file is left alone.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value, std::string& error);

}  // namespace kvd
