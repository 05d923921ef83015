#include "devicelink/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace kvd {
namespace {

// "wbx" creates exclusively, so two writers never share a temporary file.
std::FILE* CreateTemporaryBeside(const std::filesystem::path& target,
                                 std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary += ".part" + std::to_string(++counter);
        if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) return file;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error) {
    std::filesystem::path temporary;
    std::FILE* file = CreateTemporaryBeside(target, temporary);
    if (!file) {
        error = "cannot create " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    std::error_code renameError;
    if (written && closed) std::filesystem::rename(temporary, target, renameError);
    if (!written || !closed || renameError) {
        error = "cannot write " + target.string() + ": " +
                (renameError ? renameError.message() : std::strerror(writeErrno));
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace kvd
