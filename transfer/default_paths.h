// Where the transfer window's paths come from: the save folder kept in the settings file,
// the upload files found in the current folder, and the choosers' file filters.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/path_text.h"  // PathToUtf8, PathFromUtf8
#include "gpslog/gpslog.h"

namespace kvd {

inline constexpr char kSettingsFileName[] = "KVD2730.ini";
inline constexpr char kSettingsSection[] = "KVD2730";
inline constexpr char kSaveFolderKey[] = "GPS";
// Our own key beside the save folder: the formats the window saves logs in ("kml,gpx").
inline constexpr char kSaveFormatsKey[] = "Formats";

// The settings file in `folder` (the program's current folder).
std::filesystem::path SettingsFilePath(const std::filesystem::path& folder);

// Where the settings are read from and written to.
struct SettingsLocation {
    std::filesystem::path readFrom;
    std::filesystem::path writeTo;
};

// On Windows both are the file in the current folder. Elsewhere the file is kept in the
// user's configuration folder, $XDG_CONFIG_HOME/kvd2730/KVD2730.ini ($HOME/.config when
// XDG_CONFIG_HOME is unset or not absolute); while nothing is there yet, the current folder's
// file, where earlier versions kept it, is still read, so that no saved folder is lost.
SettingsLocation LocateSettingsFile(const std::filesystem::path& currentFolder);

// The save folder kept in the settings, UTF-8, taken whole; the current folder itself when
// the file, its key or the value is missing or empty, or the file is not one to read (a
// folder, a pipe, a file over kLargestSettingsFile).
std::string ReadSaveFolder(const std::filesystem::path& currentFolder);

// Keeps a picked save folder in the settings, creating the folder they live in. The first
// write to a new location starts from the file it was read from, keeping its other keys.
// False with error a sentence saying why, the system's cause included.
bool WriteSaveFolder(const std::filesystem::path& currentFolder, std::string_view saveFolder,
                     std::string& error);

// The formats the window saves logs in; KML when the key is missing or not understood.
OutputFormats ReadSaveFormats(const std::filesystem::path& currentFolder);

// Keeps the window's formats beside the save folder, as WriteSaveFolder keeps the folder.
bool WriteSaveFormats(const std::filesystem::path& currentFolder, const OutputFormats& formats,
                      std::string& error);

// The first file (never a folder) in `folder` whose extension, from the last dot of its name,
// equals `extension` (".FPT") regardless of case; none when there is none.
std::optional<std::filesystem::path> FindLocalFile(const std::filesystem::path& folder,
                                                   std::string_view extension);

// One kind of file a chooser offers: its description and its pattern ("*.FPT").
struct ChooserFilterEntry {
    std::string description;
    std::string pattern;

    bool operator==(const ChooserFilterEntry&) const = default;
};

// A chooser filter of the catalogue ("desc |*.EXT||", pairs of fields ended by an empty one)
// as its entries; each front end writes them in its toolkit's own form.
std::vector<ChooserFilterEntry> SplitChooserFilter(std::string_view catalogueFilter);

}  // namespace kvd
