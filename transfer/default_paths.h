// Where the transfer window's paths come from: the save folder kept in the settings file,
// the upload files found in the current folder, and the choosers' file filters.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/path_text.h"  // PathToUtf8, PathFromUtf8

namespace kvd {

inline constexpr char kSettingsFileName[] = "KVD2730.ini";
inline constexpr char kSettingsSection[] = "KVD2730";
inline constexpr char kSaveFolderKey[] = "GPS";

// The settings file in `folder` (the program's current folder).
std::filesystem::path SettingsFilePath(const std::filesystem::path& folder);

// The save folder of the settings file in `currentFolder`, UTF-8, taken whole; the current
// folder itself when the file, its key or the value is missing or empty.
std::string ReadSaveFolder(const std::filesystem::path& currentFolder);

// Keeps a picked save folder in the settings file of `currentFolder`.
bool WriteSaveFolder(const std::filesystem::path& currentFolder, std::string_view saveFolder,
                     std::string& error);

// The first file (never a folder) in `folder` whose extension, from the last dot of its name,
// equals `extension` (".FPT") regardless of case; none when there is none.
std::optional<std::filesystem::path> FindLocalFile(const std::filesystem::path& folder,
                                                   std::string_view extension);

// A chooser filter of the catalogue ("desc |*.EXT||") in Qt's form ("desc (*.EXT)"); several
// pairs are joined with ";;".
std::string ChooserFilter(std::string_view catalogueFilter);

}  // namespace kvd
