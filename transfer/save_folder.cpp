#include "transfer/save_folder.h"

#include <filesystem>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_names.h"
#include "common/path_text.h"
#include "common/system_text.h"
#include "shell/shell.h"
#include "transfer/phrase.h"

namespace kvd {
namespace {

std::string Shown(const std::string& folder) { return folder.empty() ? "." : folder; }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The part of `path` that Windows refuses, found by growing the path one part at a time, so
// that drives, shares and the long form are skipped exactly as the name check skips them.
std::string RefusedPart(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t end = 0; end <= path.size(); ++end) {
        if (end < path.size() && !IsSeparator(path[end])) continue;
        if (!WindowsRefusedName(path.substr(0, end)).empty())
            return path.substr(start, end - start);
        start = end + 1;
    }
    return path;
}

// A name Windows would refuse, or quietly change (a final dot dropped), is no folder of ours.
std::optional<std::string> NameProblem(const std::string& folder, Phrase say) {
    const std::string refused = UnusableName(folder);
    if (refused.empty()) return std::nullopt;
    return say("cannot use the folder " + Shown(folder) + ": " + refused,
               "フォルダ " + Shown(folder) + " は使えません（名前 '" + RefusedPart(folder) +
                   "' は Windows では使えません）");
}

}  // namespace

std::optional<std::string> SaveFolderProblem(const std::string& folder, uint16_t langId) {
    const Phrase say{langId == kLangIdJapanese};
    if (auto problem = NameProblem(folder, say)) return problem;
    const std::filesystem::path given = PathFromUtf8(Shown(folder));
    std::filesystem::path existing = given;
    std::error_code code;
    // The nearest part of the path that exists decides.
    while (!std::filesystem::exists(existing, code) && existing.has_relative_path() &&
           existing.has_parent_path() && existing.parent_path() != existing)
        existing = existing.parent_path();
    if (!std::filesystem::exists(existing, code)) existing = ".";
    // A folder still to be made is named as the user gave it, not by the part that is in the way.
    const bool toMake = existing != given;
    const std::string makeFailure = say("cannot make the folder " + Shown(folder),
                                        "フォルダ " + Shown(folder) + " を作れません");
    if (!std::filesystem::is_directory(existing, code)) {
        const std::string shown = toMake ? PathToUtf8(existing) : Shown(folder);
        const std::string notAFolder =
            say(shown + " is not a folder", shown + " はフォルダではありません");
        return toMake ? say.With(makeFailure, notAFolder) : notAFolder;
    }
    // Asking the file system is the one answer that holds for every platform and user.
    AtomicFile probe;
    std::string error;
    if (!probe.Open(existing / ".kvd2730-write-check", error)) {
        // The system's own words follow the last ": " of the file's error.
        const auto reason = error.rfind(": ");
        const std::string cause =
            reason == std::string::npos ? std::string() : error.substr(reason + 2);
        return say.With(toMake ? makeFailure
                               : say("cannot write into " + Shown(folder),
                                     "フォルダ " + Shown(folder) + " に書き込めません"),
                        cause);
    }
    probe.Discard();
    return std::nullopt;
}

std::optional<std::string> MakeSaveFolder(const std::string& folder, uint16_t langId) {
    const Phrase say{langId == kLangIdJapanese};
    if (auto problem = NameProblem(folder, say)) return problem;
    const std::filesystem::path path = PathFromUtf8(Shown(folder));
    std::error_code code;
    std::filesystem::create_directories(path, code);
    if (std::error_code ignored; std::filesystem::is_directory(path, ignored)) return std::nullopt;
    return say.With(say("cannot make the folder " + Shown(folder),
                        "フォルダ " + Shown(folder) + " を作れません"),
                    code ? ErrorCodeText(code) : std::string());
}

}  // namespace kvd
