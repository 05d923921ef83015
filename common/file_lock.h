// An exclusive lock that runs of ours take on a lock file, so that a read-change-write of a
// file they share (the record of saved logs) is done by one run at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kvd {

class FileLock {
  public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();  // releases the lock

    // Waits until the lock on path is ours, making the file when it is missing. The file stays
    // when the lock is released: removing it would let two runs lock two different files.
    // false with the cause in error.
    bool Acquire(const std::filesystem::path& path, std::string& error);

  private:
    intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
};

}  // namespace kvd
