#include "transfer/default_paths.h"

#include <vector>

#include "transfer/default_paths_platform.h"
#include "transfer/settings_file.h"

namespace kvd {
namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::optional<std::string> ReadSetting(const std::filesystem::path& currentFolder,
                                       std::string_view key) {
    return ReadProfileString(LocateSettingsFile(currentFolder).readFrom, kSettingsSection, key);
}

bool WriteSetting(const std::filesystem::path& currentFolder, std::string_view key,
                  std::string_view value, std::string& error) {
    const SettingsLocation where = LocateSettingsFile(currentFolder);
    if (!MakeSettingsFolder(where.writeTo.parent_path(), error)) return false;
    return WriteProfileString(
        where.writeTo, kSettingsSection, key, value, error,
        where.readFrom == where.writeTo ? std::filesystem::path() : where.readFrom);
}

}  // namespace

std::filesystem::path SettingsFilePath(const std::filesystem::path& folder) {
    return folder / kSettingsFileName;
}

std::string ReadSaveFolder(const std::filesystem::path& currentFolder) {
    const auto value = ReadSetting(currentFolder, kSaveFolderKey);
    if (!value || value->empty()) return PathToUtf8(currentFolder);
    return *value;
}

bool WriteSaveFolder(const std::filesystem::path& currentFolder, std::string_view saveFolder,
                     std::string& error) {
    return WriteSetting(currentFolder, kSaveFolderKey, saveFolder, error);
}

OutputFormats ReadSaveFormats(const std::filesystem::path& currentFolder) {
    const auto value = ReadSetting(currentFolder, kSaveFormatsKey);
    if (!value) return {};
    return ParseOutputFormats(*value).value_or(OutputFormats{});
}

bool WriteSaveFormats(const std::filesystem::path& currentFolder, const OutputFormats& formats,
                      std::string& error) {
    return WriteSetting(currentFolder, kSaveFormatsKey, OutputFormatsText(formats), error);
}

std::optional<std::filesystem::path> FindLocalFile(const std::filesystem::path& folder,
                                                   std::string_view extension) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    const std::string wanted = LowerAscii(extension);
    for (const auto& entry : entries) {
        std::error_code typeError;
        if (entry.is_directory(typeError)) continue;
        const std::string name = PathToUtf8(entry.path().filename());
        const auto dot = name.rfind('.');
        const std::string_view found =
            dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot);
        if (LowerAscii(found) == wanted) return entry.path();
    }
    return std::nullopt;
}

std::vector<ChooserFilterEntry> SplitChooserFilter(std::string_view catalogueFilter) {
    std::vector<std::string_view> parts;
    while (!catalogueFilter.empty()) {
        const auto bar = catalogueFilter.find('|');
        parts.push_back(catalogueFilter.substr(0, bar));
        if (bar == std::string_view::npos) break;
        catalogueFilter.remove_prefix(bar + 1);
    }
    std::vector<ChooserFilterEntry> entries;
    for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2)
        entries.push_back(
            {std::string(TrimBlanks(parts[i])), std::string(TrimBlanks(parts[i + 1]))});
    return entries;
}

}  // namespace kvd
