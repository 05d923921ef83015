#include "simulator/device_wire.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace kvd::sim {

DeviceWire::DeviceWire(int masterFd, uint32_t baud)
    : fd_(masterFd), baud_(baud), lineFree_(Clock::now()) {}

std::chrono::nanoseconds DeviceWire::WireTime(std::size_t count) const {
    // 10 bits a byte: start, 8 data, stop.
    return std::chrono::nanoseconds(static_cast<int64_t>(count) * 10 * 1'000'000'000LL / baud_);
}

void DeviceWire::Occupy(std::size_t count) {
    if (baud_ == 0) return;
    lineFree_ = std::max(lineFree_, Clock::now()) + WireTime(count);
    std::this_thread::sleep_until(lineFree_);
}

void DeviceWire::Unplug() {
    dead_ = true;
    if (hangup_) hangup_();
}

bool DeviceWire::ReadByte(uint8_t& byte, int timeoutMs) {
    if (dead_) return false;
    if (putBack_) {
        // Its wire time was spent when it was first read.
        byte = *putBack_;
        putBack_.reset();
        return true;
    }
    while (readPos_ == readLen_) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(p, wakeFd_ >= 0 ? 2 : 1, timeoutMs);
        if (n == 0) return false;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (p[1].revents != 0) return false;
        const ssize_t got = ::read(fd_, readBuf_, sizeof readBuf_);
        if (got > 0) {
            readPos_ = 0;
            readLen_ = static_cast<std::size_t>(got);
        } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        } else {
            // EIO: no slave open. The keeper fd prevents this; treat as a pause.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    byte = readBuf_[readPos_++];
    Occupy(1);
    return true;
}

void DeviceWire::WriteAll(const uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count && !dead_) {
        const ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            dead_ = true;
        }
    }
}

void DeviceWire::Send(const uint8_t* bytes, std::size_t count) {
    if (silent_) {
        const std::size_t allowed = std::min(count, silenceBudget_);
        silenceBudget_ -= allowed;
        count = allowed;
    }
    if (baud_ == 0) {
        WriteAll(bytes, count);
        return;
    }
    // Paced: each chunk leaves when the line would have carried it. The chunks of one send
    // follow each other without gaps, timed from the send's start, so that a late wake-up
    // from one sleep does not push back every later chunk.
    constexpr std::size_t kChunk = 16;
    const Clock::time_point start = std::max(lineFree_, Clock::now());
    for (std::size_t offset = 0; offset < count; offset += kChunk) {
        const std::size_t n = std::min(kChunk, count - offset);
        lineFree_ = start + WireTime(offset + n);
        std::this_thread::sleep_until(lineFree_);
        WriteAll(bytes + offset, n);
    }
}

}  // namespace kvd::sim
