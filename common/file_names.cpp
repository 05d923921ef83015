#include "common/file_names.h"

#include <optional>

namespace kvd {
namespace {

constexpr std::string_view kReserved = "<>:\"|?*";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (Upper(a[k]) != Upper(b[k])) return false;
    return true;
}

// Where the parts of a path start: past a drive ("C:") or a share ("\\server\share"). A path
// given in the long form ("\\?\") is taken by the file system as it stands.
std::optional<std::string_view> PartsOf(std::string_view path) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
        (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]))
        return std::nullopt;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t at = 2;
        for (int skip = 0; skip < 2 && at < path.size(); ++skip) {
            while (at < path.size() && !IsSeparator(path[at])) ++at;
            while (at < path.size() && IsSeparator(path[at])) ++at;
        }
        return path.substr(at);
    }
    const bool drive =
        path.size() >= 2 && path[1] == ':' && Upper(path[0]) >= 'A' && Upper(path[0]) <= 'Z';
    return drive ? path.substr(2) : path;
}

}  // namespace

bool IsWindowsDeviceName(std::string_view name) {
    // Windows looks at the part before the first dot, less the spaces that end it.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (SameLetters(stem, device)) return true;
    if (stem.size() < 4 ||
        !(SameLetters(stem.substr(0, 3), "COM") || SameLetters(stem.substr(0, 3), "LPT")))
        return false;
    const std::string_view number = stem.substr(3);
    if (number.size() == 1) return number[0] >= '0' && number[0] <= '9';
    return number == "\u00b9" || number == "\u00b2" || number == "\u00b3";
}

std::string WhyWindowsRefusesName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return "it holds a control character";
        if (kReserved.find(c) != std::string_view::npos) return std::string("it holds '") + c + "'";
    }
    if (name.ends_with('.')) return "it ends in a dot";
    if (name.ends_with(' ')) return "it ends in a space";
    if (IsWindowsDeviceName(name)) return "it is the name of a device";
    return {};
}

std::string WindowsRefusedName(std::string_view path) {
    const std::optional<std::string_view> parts = PartsOf(path);
    if (!parts) return {};
    std::string_view rest = *parts;
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string_view name = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (name.empty() || name == "." || name == "..") continue;
        if (const std::string why = WhyWindowsRefusesName(name); !why.empty())
            return "the name '" + std::string(name) + "' cannot be used on Windows (" + why + ")";
    }
    return {};
}

}  // namespace kvd
