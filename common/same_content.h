// Whether a file holds exactly given bytes, or exactly what another file holds; and a short
// hash that tells contents apart.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace kvd {

// False also when either file cannot be read.
bool FileHolds(const std::filesystem::path& file, std::span<const uint8_t> bytes);
bool SameFileContent(const std::filesystem::path& a, const std::filesystem::path& b);

// 64-bit FNV-1a of bytes fed piece by piece: the same value as of the whole at once.
class ContentHash {
  public:
    void Add(std::span<const uint8_t> bytes) {
        for (const uint8_t byte : bytes) value_ = (value_ ^ byte) * 0x100000001b3u;
    }
    uint64_t Value() const { return value_; }

  private:
    uint64_t value_ = 0xcbf29ce484222325u;
};

// The ContentHash of a file's bytes; nothing when it cannot be read.
std::optional<uint64_t> FileContentHash(const std::filesystem::path& file);

}  // namespace kvd
