// The default paths' platform halves (default_paths_posix.cpp, default_paths_win32.cpp):
// LocateSettingsFile, declared in default_paths.h, and this.
#pragma once

#include <filesystem>
#include <string>

namespace kvd {

// Makes the folder the settings file goes into, with its parents, unless it is there; false
// with error a sentence saying why.
bool MakeSettingsFolder(const std::filesystem::path& folder, std::string& error);

}  // namespace kvd
