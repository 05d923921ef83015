// Reduces a file name that came over the wire to a name that stays inside a given folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvd {

// The last component of `name` under the path rules of both Windows and POSIX: the text after
// the last '/' or '\', with any drive prefix ("C:") removed. Nothing when what is left is
// empty, "." or "..", only dots and spaces (which Windows resolves to a folder), or holds a
// control byte.
std::optional<std::string> SafeBaseName(std::string_view name);

// Whether Windows takes name for a device rather than a file in any folder: CON, PRN, AUX,
// NUL, COM0 to COM9 and LPT0 to LPT9 (the digits also as superscript 1, 2, 3), CONIN$ and
// CONOUT$, in any case, alone or before an extension ("NUL.LOG", "nul .a.b").
bool IsWindowsDeviceName(std::string_view name);

}  // namespace kvd
