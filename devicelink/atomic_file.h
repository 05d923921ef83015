// Writes a whole file so that its final name never holds a partial file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kvd {

// Writes `bytes` to a temporary file in the folder of `target` and renames it to `target`,
// replacing an older file of that name. On failure nothing is left behind, `target` is
// untouched and `error` says why.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error);

}  // namespace kvd
