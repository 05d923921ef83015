#include "common/path_text.h"
#include "common/system_text.h"
#include "transfer/default_paths.h"
#include "transfer/default_paths_platform.h"

namespace kvd {

// The file stays in the current folder, where Windows users have always found it.
SettingsLocation LocateSettingsFile(const std::filesystem::path& currentFolder) {
    const std::filesystem::path file = SettingsFilePath(currentFolder);
    return {file, file};
}

bool MakeSettingsFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code) return true;
    error = "cannot create the folder " + PathToUtf8(folder) +
            " for the settings: " + ErrorCodeText(code);
    return false;
}

}  // namespace kvd
