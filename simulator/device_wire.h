// The device's side of the line: byte reads and writes on the pseudo-terminal master,
// paced as a real line at a given baud rate.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace kvd::sim {

class DeviceWire {
  public:
    // baud 0 sends unpaced.
    DeviceWire(int masterFd, uint32_t baud);

    // One byte from the host, waiting at most timeoutMs (negative: forever).
    // False on time-out or when the line is gone.
    bool ReadByte(uint8_t& byte, int timeoutMs);

    // Hands a byte read too far back: the next ReadByte returns it at once. Holds one byte,
    // enough for a reader that looked one byte ahead and found the start of something else.
    void PutBack(uint8_t byte) { putBack_ = byte; }

    void Send(const uint8_t* bytes, std::size_t count);
    void Send(std::string_view text) {
        Send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }

    // After `limit` more bytes, everything sent is dropped (a device gone quiet).
    void GoSilentAfter(std::size_t limit) {
        silenceBudget_ = limit;
        silent_ = true;
    }
    void Speak() { silent_ = false; }

    bool Dead() const { return dead_; }
    void MarkDead() { dead_ = true; }

    // Pulls the cable: the host's port goes dead at once and every later open fails.
    void SetHangup(std::function<void()> hangup) { hangup_ = std::move(hangup); }
    void Unplug();

    // Every wait ends early once this descriptor turns readable: the device is asked to stop.
    void StopWaitingWhenReadable(int wakeFd) { wakeFd_ = wakeFd; }

  private:
    using Clock = std::chrono::steady_clock;
    // Holds the line for the wire time of `count` bytes, both directions sharing one line.
    void Occupy(std::size_t count);
    std::chrono::nanoseconds WireTime(std::size_t count) const;
    void WriteAll(const uint8_t* bytes, std::size_t count);

    int fd_;
    uint32_t baud_;
    Clock::time_point lineFree_;
    uint8_t readBuf_[4096];
    std::size_t readPos_ = 0;
    std::size_t readLen_ = 0;
    std::optional<uint8_t> putBack_;
    bool silent_ = false;
    std::size_t silenceBudget_ = 0;
    bool dead_ = false;
    std::function<void()> hangup_;
    int wakeFd_ = -1;
};

}  // namespace kvd::sim
