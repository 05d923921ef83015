// A port without a line: the bytes the "device" sends come from a script, the bytes written
// are recorded. For fuzzing and replaying whole exchanges; protocol tests use real terminals.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "devicelink/serial_port.h"

namespace kvd {

struct MemoryLine {
    std::vector<uint8_t> script;  // what the device sends, in order
    std::size_t position = 0;
    std::size_t burst = 0;    // most bytes one read delivers; 0: all that is left
    bool echoCommand = true;  // echo the command line the way the device does
    std::vector<uint8_t> written;
};

class MemoryPort final : public SerialPort {
  public:
    explicit MemoryPort(std::shared_ptr<MemoryLine> line) : line_(std::move(line)) {}

    std::size_t Write(const uint8_t* bytes, std::size_t count, int32_t timeoutMs) override;
    // The end of the script reads as a time-out, at once.
    std::size_t Read(uint8_t* bytes, std::size_t capacity, int32_t timeoutMs) override;

  private:
    std::shared_ptr<MemoryLine> line_;
    std::vector<uint8_t> echo_;  // echoes not yet read
    bool commandDone_ = false;
};

// Makes every port this process opens a MemoryPort on `line` (null restores the real ports).
void UseMemoryLine(std::shared_ptr<MemoryLine> line);

}  // namespace kvd
