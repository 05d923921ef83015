// Names Windows cannot give a file or a folder. A path the user names for output is checked
// before it is used: what Windows makes of such a name is no help ("bad command", or a trailing
// dot silently dropped), and a reason the user can act on is.
#pragma once

#include <string>
#include <string_view>

namespace kvd {

// Whether Windows takes name for a device rather than a file in any folder: CON, PRN, AUX,
// NUL, COM0 to COM9 and LPT0 to LPT9 (the digits also as superscript 1, 2, 3), CONIN$ and
// CONOUT$, in any case, alone or before an extension ("NUL.LOG", "nul .a.b").
bool IsWindowsDeviceName(std::string_view name);

// Why Windows cannot hold name as one part of a path ("it holds '<'", "it ends in a dot",
// "it is the name of a device"); empty when it can.
std::string WhyWindowsRefusesName(std::string_view name);

// "the name 'X' cannot be used on Windows (...)" for the first part of path, a UTF-8 path in
// either slash, that Windows refuses; empty when there is none.
std::string WindowsRefusedName(std::string_view path);

// WindowsRefusedName on Windows; empty elsewhere, where the file system takes such names.
std::string UnusableName(std::string_view path);

}  // namespace kvd
