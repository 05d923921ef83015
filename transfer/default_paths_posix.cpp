#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "common/path_text.h"
#include "common/system_text.h"
#include "transfer/default_paths.h"
#include "transfer/default_paths_platform.h"

namespace kvd {
namespace {

constexpr char kSettingsFolderName[] = "kvd2730";

// An environment variable that holds an absolute path; none otherwise: the XDG rules have a
// relative one ignored.
std::optional<std::filesystem::path> AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> HomeFolder() {
    if (auto home = AbsoluteFromEnvironment("HOME")) return home;
    // HOME unset, as under some service managers: the password database knows.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return std::filesystem::path(found->pw_dir);
    return std::nullopt;
}

}  // namespace

SettingsLocation LocateSettingsFile(const std::filesystem::path& currentFolder) {
    const std::filesystem::path old = SettingsFilePath(currentFolder);
    std::optional<std::filesystem::path> config = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    if (!config) {
        const auto home = HomeFolder();
        if (!home) return {old, old};  // nowhere else to keep it
        config = *home / ".config";
    }
    const std::filesystem::path file = *config / kSettingsFolderName / kSettingsFileName;
    // Anything at the new name, even a folder or a dangling link, is what the settings are
    // now; the old file counts only while nothing is there.
    std::error_code code;
    const bool newThere =
        std::filesystem::symlink_status(file, code).type() != std::filesystem::file_type::not_found;
    if (!newThere &&
        std::filesystem::symlink_status(old, code).type() != std::filesystem::file_type::not_found)
        return {old, file};
    return {file, file};
}

bool MakeSettingsFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(folder, code)) return true;
    std::filesystem::create_directories(folder.parent_path(), code);
    // Private, as the XDG rules ask of a folder made for the user's configuration.
    if (!code && ::mkdir(folder.c_str(), 0700) != 0) {
        // EEXIST: another run made it, or something else holds the name.
        code.assign(errno, std::generic_category());
        if (errno == EEXIST && std::filesystem::is_directory(folder)) code.clear();
    }
    if (!code) return true;
    error = "cannot create the folder " + PathToUtf8(folder) +
            " for the settings: " + ErrorCodeText(code);
    return false;
}

}  // namespace kvd
