#include "support/scripted_peer.h"

#include <poll.h>
#include <unistd.h>

namespace kvd::test {
namespace {

bool ReadByte(int fd, uint8_t& byte, int timeoutMs) {
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        const ssize_t n = ::read(fd, &byte, 1);
        if (n == 1) return true;
        if (n == 0) return false;
    }
}

void WriteByte(int fd, uint8_t byte) {
    while (::write(fd, &byte, 1) != 1) {
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
}

}  // namespace

ScriptedPeer::ScriptedPeer(std::vector<PeerStep> steps, PeerEcho echo) {
    thread_ = std::thread([this, steps = std::move(steps), echo] {
        const int fd = terminal_.MasterFd();
        uint8_t byte = 0;
        // Generous for the first byte, short between bytes: a host that stopped is done.
        for (int wait = 3000; ReadByte(fd, byte, wait); wait = 500) {
            received_.push_back(static_cast<char>(byte));
            if (echo == PeerEcho::Same) WriteByte(fd, byte);
            if (echo == PeerEcho::Different) WriteByte(fd, static_cast<uint8_t>(byte ^ 0x55));
            if (byte == '\n') break;
        }
        for (const PeerStep& step : steps) {
            if (step.expect == PeerStep::kUntilQuiet) {
                while (ReadByte(fd, byte, 100)) received_.push_back(static_cast<char>(byte));
            }
            for (std::size_t i = 0; i < step.expect && step.expect != PeerStep::kUntilQuiet; ++i) {
                if (!ReadByte(fd, byte, 2000)) return;  // the host gave up: so does the script
                received_.push_back(static_cast<char>(byte));
            }
            for (const char c : step.send) {
                if (step.delayEach.count() > 0) std::this_thread::sleep_for(step.delayEach);
                WriteByte(fd, static_cast<uint8_t>(c));
            }
        }
    });
}

std::string ScriptedPeer::Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
}

ScriptedPeer::~ScriptedPeer() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace kvd::test
