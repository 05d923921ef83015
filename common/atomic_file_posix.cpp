#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/atomic_file.h"

namespace kvd {

const std::size_t kMaxLocalPathLength = PATH_MAX - 1;

namespace {

std::string Describe(const char* what, const std::filesystem::path& path, int errorNumber) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(errorNumber);
}

// O_EXCL settles any collision.
std::filesystem::path TempNameFor(const std::filesystem::path& finalPath) {
    return finalPath.parent_path() / TemporaryFileName(static_cast<unsigned long>(getpid()));
}

// Commit must wait until every byte is on the disk. Handing each few MiB to the disk as soon
// as it is written lets the disk work while the rest is produced, so that wait covers the last
// few MiB rather than the whole file. Failures show at the flush.
void StartWriteBack([[maybe_unused]] int fd, [[maybe_unused]] uint64_t written,
                    [[maybe_unused]] uint64_t& writtenBack) {
#ifdef __linux__
    constexpr uint64_t kWriteBackStep = 4 * 1024 * 1024;
    if (written - writtenBack >= kWriteBackStep) {
        ::sync_file_range(fd, static_cast<off_t>(writtenBack),
                          static_cast<off_t>(written - writtenBack), SYNC_FILE_RANGE_WRITE);
        writtenBack = written;
    }
#endif
}

// The file system or the kernel lacks the call, as opposed to refusing this name.
bool Unsupported(int errorNumber) {
    return errorNumber == EINVAL || errorNumber == ENOSYS || errorNumber == EOPNOTSUPP ||
           errorNumber == EPERM;
}

}  // namespace

bool ProcessMayBeRunning(unsigned long processId) {
    if (processId == 0 || processId > static_cast<unsigned long>(INT_MAX)) return false;
    // Signal 0 asks only whether the process exists; EPERM means it does, as another user's.
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno != ESRCH;
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::filesystem::path& finalPath, std::string& error) {
    Discard();
    finalPath_ = finalPath;
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath_ = TempNameFor(finalPath);
        // 0666 less the umask, like any file the user creates.
        const int fd = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            handle_ = fd;
            written_ = writtenBack_ = 0;
            return true;
        }
        if (errno != EEXIST) {
            error = Describe("cannot create", tempPath_, errno);
            tempPath_.clear();
            return false;
        }
    }
    error = "cannot create a temporary file beside " + finalPath.string();
    tempPath_.clear();
    return false;
}

bool AtomicFile::Write(std::span<const uint8_t> bytes, std::string& error) {
    if (handle_ < 0) {
        error = "write to a file that is not open";
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            error = Describe("cannot write", tempPath_, errno);
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
        written_ += static_cast<uint64_t>(written);
    }
    StartWriteBack(static_cast<int>(handle_), written_, writtenBack_);
    return true;
}

bool AtomicFile::FlushAndClose(std::string& error) {
    if (handle_ < 0) {
        error = "commit of a file that is not open";
        return false;
    }
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    // Data first, then the name: after a crash the final name holds the old file or the new.
    if (::fsync(fd) != 0) {
        error = Describe("cannot flush", tempPath_, errno);
        ::close(fd);
        Discard();
        return false;
    }
    if (::close(fd) != 0) {
        error = Describe("cannot close", tempPath_, errno);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    // After CommitNew found the name taken the file is on the disk already.
    const bool flushed = handle_ < 0 && !tempPath_.empty();
    if (!flushed && !FlushAndClose(error)) return false;
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        error = Describe("cannot rename over", finalPath_, errno);
        Discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

CommitOutcome AtomicFile::CommitNew(std::string& error) {
    if (!FlushAndClose(error)) return CommitOutcome::Failed;
    const char* temp = tempPath_.c_str();
    const char* final = finalPath_.c_str();
    // Each step either creates the final name or finds it taken, in one call of the kernel;
    // the later ones serve file systems that lack the earlier.
    int result = -1;
#ifdef __linux__
    result = ::renameat2(AT_FDCWD, temp, AT_FDCWD, final, RENAME_NOREPLACE);
#else
    errno = ENOSYS;
#endif
    if (result != 0 && Unsupported(errno)) {
        result = ::link(temp, final);
        if (result == 0) ::unlink(temp);
    }
    if (result != 0 && Unsupported(errno)) {
        // No hard links either (FAT): an empty file made only where nothing is holds the name
        // for us, and the rename replaces that one alone.
        const int placeholder = ::open(final, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (placeholder >= 0) {
            ::close(placeholder);
            result = ::rename(temp, final);
            if (result != 0) {
                const int cause = errno;
                ::unlink(final);
                errno = cause;
            }
        }
    }
    if (result != 0) {
        if (errno == EEXIST) return CommitOutcome::NameTaken;
        error = Describe("cannot create", finalPath_, errno);
        Discard();
        return CommitOutcome::Failed;
    }
    tempPath_.clear();
    return CommitOutcome::Committed;
}

void AtomicFile::CloseHandle() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

void AtomicFile::Discard() {
    CloseHandle();
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace kvd
