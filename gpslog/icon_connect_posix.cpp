#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "gpslog/icon_reachability.h"

namespace kvd {
namespace {

bool ConnectOne(const addrinfo& address, std::chrono::steady_clock::time_point deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) {
        return false;
    }
    bool connected = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLOUT, 0};
        if (left.count() > 0 && ::poll(&wait, 1, static_cast<int>(left.count())) == 1) {
            int status = 0;
            socklen_t size = sizeof status;
            connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &size) == 0 && status == 0;
        }
    }
    ::close(fd);
    return connected;
}

}  // namespace

bool ConnectBefore(const std::string& host, uint16_t port,
                   std::chrono::steady_clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
        return false;
    }
    bool connected = false;
    for (const addrinfo* a = addresses; a != nullptr && !connected; a = a->ai_next) {
        if (std::chrono::steady_clock::now() >= deadline) break;
        connected = ConnectOne(*a, deadline);
    }
    ::freeaddrinfo(addresses);
    return connected;
}

}  // namespace kvd
