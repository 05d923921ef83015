#include "transfer/settings_file.h"

#include <algorithm>

#include "common/atomic_file.h"
#include "common/code_page.h"
#include "common/system_text.h"
#include "common/utf8.h"
#include "transfer/settings_file_platform.h"

namespace kvd {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        if (DecodeUtf8(text, pos) == kReplacementCharacter &&
            text.substr(start, pos - start) != "\xEF\xBF\xBD")
            return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The name of a "[name]" line, or none for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    return Trim(
        line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return Utf16ToUtf8(units);
}

void AppendUtf16Le(std::vector<uint8_t>& out, std::string_view text) {
    for (const char16_t unit : Utf8ToUtf16(text)) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace

ProfileText ProfileText::Decode(std::span<const uint8_t> bytes) {
    ProfileText profile;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        profile.encoding_ = ProfileEncoding::Utf16LeBom;
        text = Utf16LeToUtf8(bytes.subspan(2));
    } else {
        const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (raw.starts_with(kUtf8Bom)) {
            profile.encoding_ = ProfileEncoding::Utf8Bom;
            text = raw.substr(kUtf8Bom.size());
        } else if (IsValidUtf8(raw)) {
            profile.encoding_ = ProfileEncoding::Utf8;
            text = raw;
        } else {
            profile.encoding_ = ProfileEncoding::CodePage;
            text = CodePageToUtf8(raw).value_or(std::string(raw));
        }
    }
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t feed = text.find('\n', start);
        Line line;
        if (feed == std::string::npos) {
            line.text = text.substr(start);
            start = text.size();
            // A carriage return that ends the file ends its last line: a line added after it
            // must not take that line's value along.
            if (line.text.ends_with('\r')) {
                line.text.pop_back();
                line.end = "\r";
            }
        } else {
            line.text = text.substr(start, feed - start);
            line.end = "\n";
            if (line.text.ends_with('\r')) {
                line.text.pop_back();
                line.end = "\r\n";
            }
            start = feed + 1;
        }
        profile.lines_.push_back(std::move(line));
    }
    return profile;
}

std::optional<std::size_t> ProfileText::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].text);
        if (name && SameName(*name, section)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileText::FindKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < lines_.size() && !SectionName(lines_[i].text); ++i) {
        const std::string_view line = lines_[i].text;
        const auto equals = line.find('=');
        if (equals != std::string_view::npos && SameName(Trim(line.substr(0, equals)), key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileText::Get(std::string_view section, std::string_view key) const {
    const auto header = FindSection(section);
    if (!header) return std::nullopt;
    const auto index = FindKey(*header, key);
    if (!index) return std::nullopt;
    const std::string_view line = lines_[*index].text;
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string ProfileText::NewLineEnd() const {
    for (const Line& line : lines_)
        if (!line.end.empty() && line.end != "\r") return line.end;
    return "\r\n";
}

void ProfileText::EndLine(std::size_t index, const std::string& end) {
    if (lines_[index].end.empty()) lines_[index].end = end;
    if (lines_[index].end == "\r") lines_[index].end = "\r\n";
}

bool ProfileText::CanHold(std::string_view value) {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

void ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (encoding_ == ProfileEncoding::CodePage &&
        (!Utf8ToCodePage(section) || !Utf8ToCodePage(key) || !Utf8ToCodePage(value)))
        encoding_ = ProfileEncoding::Utf16LeBom;  // rather than a path with its letters lost
    PutLine(section, key, value);
    // A file is read in the code page only because it is not UTF-8. When the line replaced
    // held its only bytes that were not, the rest would be read as UTF-8 next time, and
    // another key's "Ã©" would come back as "é": UTF-16 keeps every letter as it was read.
    if (encoding_ == ProfileEncoding::CodePage) {
        const std::vector<uint8_t> bytes = Encode();
        const std::string_view written(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const bool ascii =
            std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte < 0x80; });
        if (!ascii && IsValidUtf8(written)) encoding_ = ProfileEncoding::Utf16LeBom;
    }
}

void ProfileText::PutLine(std::string_view section, std::string_view key, std::string_view value) {
    const std::string end = NewLineEnd();
    // A folder named " logs " or "\"x\"" would lose its blanks or quotes on the next read.
    const bool quoted = Trim(value) != value ||
                        (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                         value.back() == value.front());
    const std::string written = quoted ? "\"" + std::string(value) + "\"" : std::string(value);
    std::string keyLine = std::string(key) + "=" + written;
    const auto header = FindSection(section);
    if (!header) {
        if (!lines_.empty()) EndLine(lines_.size() - 1, end);
        lines_.push_back({"[" + std::string(section) + "]", end});
        lines_.push_back({std::move(keyLine), end});
        return;
    }
    if (const auto index = FindKey(*header, key)) {
        // Keep the key as the file spells it.
        const std::string_view line = lines_[*index].text;
        lines_[*index].text = std::string(Trim(line.substr(0, line.find('=')))) + "=" + written;
        return;
    }
    // After the section's last line that is not blank.
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < lines_.size() && !SectionName(lines_[i].text); ++i)
        if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
    EndLine(insertAt - 1, end);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{std::move(keyLine), end});
}

std::vector<uint8_t> ProfileText::Encode() const {
    std::string text;
    for (const Line& line : lines_) text += line.text + line.end;
    std::vector<uint8_t> bytes;
    switch (encoding_) {
        case ProfileEncoding::Utf16LeBom:
            bytes = {0xFF, 0xFE};
            AppendUtf16Le(bytes, text);
            return bytes;
        case ProfileEncoding::Utf8Bom:
            text.insert(0, kUtf8Bom);
            break;
        case ProfileEncoding::Utf8:
            break;
        case ProfileEncoding::CodePage:
            if (auto converted = Utf8ToCodePage(text)) text = std::move(*converted);
            break;
    }
    return {text.begin(), text.end()};
}

std::string TooLargeForSettings(std::uintmax_t size) {
    return "it is " + std::to_string(size) +
           " bytes, more than a settings file may hold (at most " +
           std::to_string(kLargestSettingsFile) + ")";
}

std::optional<std::string> ReadProfileString(const std::filesystem::path& file,
                                             std::string_view section, std::string_view key) {
    const ProfileFile read = ReadProfileFile(file);
    if (read.state != ProfileFileState::Read) return std::nullopt;
    return ProfileText::Decode(read.bytes).Get(section, key);
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value, std::string& error,
                        const std::filesystem::path& startFrom) {
    const auto fail = [&](const std::filesystem::path& path, const std::string& why) {
        error = "cannot write " + PathText(path) + ": " + why;
        return false;
    };
    if (!ProfileText::CanHold(value))
        return fail(file, "a value with a line break cannot be kept in a settings file");
    // The link stays a link: what it leads to is the settings file.
    std::filesystem::path target = file;
    std::error_code status;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(file, status))) {
        target = std::filesystem::canonical(file, status);
        if (status)
            return fail(file, "it is a symbolic link that cannot be followed (" +
                                  ErrorCodeText(status) + "); it is left as it is");
    }
    ProfileText profile;
    const ProfileFile existing = ReadProfileFile(target);
    switch (existing.state) {
        case ProfileFileState::Refused:
            return fail(target, existing.why + "; it is left as it is");
        case ProfileFileState::Read: {
            // The new file replaces the old one by renaming, which would not stop at a
            // read-only file: its write permission is looked at first (bits, so that it holds
            // for root too).
            using std::filesystem::perms;
            const perms mode = std::filesystem::status(target, status).permissions();
            const bool readOnly =
                (mode & (perms::owner_write | perms::group_write | perms::others_write)) ==
                perms::none;
            if (readOnly) return fail(target, "it is read-only");
            if (const std::string why = WhyNotWritable(target); !why.empty())
                return fail(target, why);
            profile = ProfileText::Decode(existing.bytes);
            break;
        }
        case ProfileFileState::Missing:
            if (!startFrom.empty()) {
                const ProfileFile start = ReadProfileFile(startFrom);
                if (start.state == ProfileFileState::Read)
                    profile = ProfileText::Decode(start.bytes);
            }
            break;
    }
    profile.Set(section, key, value);
    const std::vector<uint8_t> bytes = profile.Encode();
    // A file that would be refused on the next read is not written.
    if (bytes.size() > kLargestSettingsFile)
        return fail(target, "it would grow beyond " + std::to_string(kLargestSettingsFile) +
                                " bytes, more than a settings file may hold; it is left as it is");
    return WriteFileAtomically(target, bytes, error);
}

}  // namespace kvd
