#include "gpslog/icon_reachability.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvd {
namespace {

// A listening socket on the loopback interface; nothing leaves this machine.
class LoopbackListener {
  public:
    LoopbackListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackListener() { Close(); }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    uint16_t port() const { return port_; }

  private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

TEST(NetworkIconReachability, AnswersWhetherAConnectionCanBeMade) {
    LoopbackListener listener;
    ASSERT_NE(listener.port(), 0);
    NetworkIconReachability check(listener.port());
    EXPECT_TRUE(check.CanConnect("127.0.0.1"));
    listener.Close();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(check.CanConnect("127.0.0.1"));
    EXPECT_FALSE(check.CanConnect("name.invalid"));  // reserved: never resolves
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(OfflineIconReachability, ByEnvironmentAndNeverReachable) {
    struct Case {
        const char* value;
        bool offline;
    };
    const char* saved = std::getenv("KVD2730_OFFLINE");
    const std::string savedValue = saved ? saved : "";
    for (const Case& c : {Case{"1", true}, Case{"yes", true}, Case{"0", false}, Case{"", false},
                          Case{nullptr, false}}) {
        if (c.value) {
            ::setenv("KVD2730_OFFLINE", c.value, 1);
        } else {
            ::unsetenv("KVD2730_OFFLINE");
        }
        EXPECT_EQ(OfflineByEnvironment(), c.offline) << (c.value ? c.value : "unset");
    }
    if (saved) {
        ::setenv("KVD2730_OFFLINE", savedValue.c_str(), 1);
    } else {
        ::unsetenv("KVD2730_OFFLINE");
    }
    OfflineIconReachability offline;
    EXPECT_FALSE(offline.CanConnect("127.0.0.1"));
}

}  // namespace
}  // namespace kvd
