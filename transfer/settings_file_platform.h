// The settings file's platform halves (settings_file_posix.cpp, settings_file_win32.cpp):
// ReadProfileFile, declared in settings_file.h, and this.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kvd {

// Empty when the regular file opens for writing without waiting; else why not, in the
// system's words. Nothing is written.
std::string WhyNotWritable(const std::filesystem::path& file);

// "it is N bytes, more than a settings file may hold (at most M)".
std::string TooLargeForSettings(std::uintmax_t size);

}  // namespace kvd
