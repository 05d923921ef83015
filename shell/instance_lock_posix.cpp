#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/path_text.h"
#include "common/system_text.h"
#include "shell/instance_lock.h"

namespace kvd {
namespace {

std::filesystem::path RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return runtime;
    // Where Qt and others put it without one: private to the user.
    const std::filesystem::path fallback =
        std::filesystem::temp_directory_path() / ("runtime-" + std::to_string(getuid()));
    std::error_code code;
    std::filesystem::create_directories(fallback, code);
    std::filesystem::permissions(fallback, std::filesystem::perms::owner_all, code);
    return fallback;
}

bool SocketAddress(const std::filesystem::path& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

struct InstanceLock::Platform {
    std::filesystem::path lockPath;
    std::filesystem::path socketPath;
    int lockFd = -1;
    int listenFd = -1;
    int stopPipe[2] = {-1, -1};
    std::thread listener;
};

InstanceLock::InstanceLock(std::filesystem::path folder) : platform_(std::make_unique<Platform>()) {
    if (folder.empty()) folder = RuntimeFolder();
    platform_->lockPath = folder / kName;
    platform_->socketPath = folder / (std::string(kName) + ".socket");
}

InstanceLock::~InstanceLock() {
    Platform& p = *platform_;
    if (p.listener.joinable()) {
        const char stop = 1;
        (void)!write(p.stopPipe[1], &stop, 1);
        p.listener.join();
    }
    for (int fd : {p.stopPipe[0], p.stopPipe[1], p.listenFd})
        if (fd >= 0) close(fd);
    if (p.listenFd >= 0) unlink(p.socketPath.c_str());
    if (p.lockFd >= 0) close(p.lockFd);  // the lock goes with the descriptor
}

std::filesystem::path InstanceLock::LockPath() const { return platform_->lockPath; }

bool InstanceLock::Acquire() {
    Platform& p = *platform_;
    if (p.lockFd >= 0) return true;
    const int fd = open(p.lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::fprintf(stderr,
                     "kvd2730: cannot take the single-instance lock %s: %s; running without it\n",
                     p.lockPath.c_str(), ErrnoText(errno).c_str());
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return false;
        std::fprintf(stderr,
                     "kvd2730: cannot take the single-instance lock %s: %s; running without it\n",
                     p.lockPath.c_str(), ErrnoText(error).c_str());
        return true;
    }
    p.lockFd = fd;
    return true;
}

void InstanceLock::ListenForSecondStart(std::function<void()> onSecondStart) {
    Platform& p = *platform_;
    if (p.lockFd < 0 || p.listener.joinable()) return;
    sockaddr_un address;
    if (!SocketAddress(p.socketPath, address)) return;
    // Only the holder of the lock gets here: a socket left by a crashed copy is stale.
    unlink(p.socketPath.c_str());
    p.listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (p.listenFd < 0 ||
        bind(p.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(p.listenFd, 4) != 0 || pipe2(p.stopPipe, O_CLOEXEC) != 0) {
        if (p.listenFd >= 0) close(p.listenFd);
        p.listenFd = -1;
        return;  // a second start then only shows its box
    }
    p.listener = std::thread([&p, onSecondStart = std::move(onSecondStart)] {
        for (;;) {
            pollfd waits[2] = {{p.listenFd, POLLIN, 0}, {p.stopPipe[0], POLLIN, 0}};
            if (poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (waits[1].revents != 0) return;
            const int peer = accept4(p.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (peer < 0) continue;
            close(peer);
            if (onSecondStart) onSecondStart();
        }
    });
}

void InstanceLock::NotifyRunningCopy() {
    sockaddr_un address;
    if (!SocketAddress(platform_->socketPath, address)) return;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    (void)connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(fd);
}

}  // namespace kvd
