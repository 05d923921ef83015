// Helpers shared by the test binaries: scratch folders, time zone and language switches,
// UTF-16 files and child processes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/utf8.h"
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef _WIN32
#include <string_view>

#include "gpslog/local_time.h"
#endif

namespace kvd::test {

// A fresh folder removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("kvd-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// The names in a folder, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32
// Windows has no TZ, and Wine takes the zone from TZ (else the host's /etc/localtime) only
// when the program starts. So a zone is either the one this program started in (TZ), or one
// that keeps one offset all year, pinned by that offset for the test's duration.
inline bool StartedInZone(std::string_view zone) {
    const char* started = std::getenv("TZ");
    return started != nullptr && zone == started;
}

class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (StartedInZone(zone)) return;
        struct Known {
            const char* zone;
            int32_t bias;
        };
        for (const Known& k :
             {Known{"Asia/Tokyo", -540}, Known{"UTC", 0}, Known{"Asia/Kolkata", -330}}) {
            if (std::string_view(zone) == k.zone) {
                PinZoneBias(k.bias);
                return;
            }
        }
        ADD_FAILURE() << zone << " has daylight saving: run the test with TZ=" << zone;
    }
    ~ScopedTimeZone() { PinZoneBias(std::nullopt); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;
};
#else
// Sets TZ for the test's duration.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

  private:
    std::optional<std::string> previous_;
};
#endif

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// UTF-16LE after a byte-order mark, as UTF-8; fails the test on anything else.
inline std::string DecodeUtf16Le(const std::vector<uint8_t>& bytes) {
    std::string out;
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0) {
        ADD_FAILURE() << "not UTF-16LE with a byte-order mark";
        return out;
    }
    std::u16string units;
    for (std::size_t i = 2; i < bytes.size(); i += 2)
        units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    out = Utf16ToUtf8(units);
    return out;
}

#ifndef _WIN32
struct CommandResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command line; a missing program is a failure (exit code 127), never a skip.
inline CommandResult RunCommand(const std::string& commandLine) {
    CommandResult result;
    FILE* pipe = ::popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << commandLine;
        return result;
    }
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, count);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The id of a process that has ended, as one that was killed leaves behind.
inline unsigned long EndedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<unsigned long>(child);
}
#endif

// A program under test: from its environment variable (KVD2730_CLI, KVD2730_SIM) when set,
// else the path the build compiled in.
inline std::string ProgramPath(const char* variable, const char* builtPath) {
    const char* path = std::getenv(variable);
    return path != nullptr && path[0] != '\0' ? path : builtPath;
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace kvd::test
