#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/file_lock.h"

namespace kvd {

FileLock::~FileLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing releases the lock
}

bool FileLock::Acquire(const std::filesystem::path& path, std::string& error) {
    // A link in the lock file's place is not followed: it could point anywhere.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot open " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    int result;
    while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        error = "cannot lock " + path.string() + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

}  // namespace kvd
