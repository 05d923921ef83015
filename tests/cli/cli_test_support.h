// What the command-line tests share: the tool under test, and reading what it left behind.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace kvd::test {

inline std::string Cli() { return Quote(ProgramPath("KVD2730_CLI", KVD2730_CLI_PATH)); }

// Starts a program in the background (args[0] is its path) and returns its process id.
inline pid_t Spawn(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    return pid;
}

// The names in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the device's logs in slot order, from `list --json`. Tried a few times as the
// identification loop would: the rest of a broken reply may still be crossing the terminal
// after the flush at open.
inline std::optional<std::vector<std::string>> LogNames(const std::string& port) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const CommandResult run = RunCommand("{ " + Cli() + " --timeout 500 --port " + Quote(port) +
                                             " list --json 2>/dev/null; }");
        if (run.exitCode != 0) continue;
        std::vector<std::string> names;
        for (std::size_t at = 0; (at = run.output.find("\"name\": \"", at)) != std::string::npos;) {
            at += 9;
            names.push_back(run.output.substr(at, run.output.find('"', at) - at));
        }
        return names;
    }
    return std::nullopt;
}

}  // namespace kvd::test
