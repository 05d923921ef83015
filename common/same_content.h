// Whether a file holds exactly given bytes, or exactly what another file holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace kvd {

// False also when either file cannot be read.
bool FileHolds(const std::filesystem::path& file, std::span<const uint8_t> bytes);
bool SameFileContent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace kvd
