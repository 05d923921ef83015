#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "gpslog/icon_reachability.h"

namespace kvd {
namespace {

bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

bool ConnectOne(const addrinfo& address, std::chrono::steady_clock::time_point deadline) {
    SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        return false;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = ::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        WSAPOLLFD wait{s, POLLWRNORM, 0};
        if (left.count() > 0 && WSAPoll(&wait, 1, static_cast<INT>(left.count())) == 1 &&
            (wait.revents & POLLWRNORM) != 0) {
            int status = 0;
            int size = sizeof status;
            connected =
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&status), &size) == 0 &&
                status == 0;
        }
    }
    closesocket(s);
    return connected;
}

}  // namespace

bool ConnectBefore(const std::string& host, uint16_t port,
                   std::chrono::steady_clock::time_point deadline) {
    if (!StartWinsock()) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
        return false;
    }
    bool connected = false;
    for (const addrinfo* a = addresses; a != nullptr && !connected; a = a->ai_next) {
        if (std::chrono::steady_clock::now() >= deadline) break;
        connected = ConnectOne(*a, deadline);
    }
    freeaddrinfo(addresses);
    return connected;
}

}  // namespace kvd
