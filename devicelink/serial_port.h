// The narrow seam between the protocol code and an operating system's serial port.
// serial_posix.cpp and serial_win32.cpp implement it; exactly one is compiled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "devicelink/devicelink.h"

namespace kvd {

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Writes up to count bytes, waiting at most timeoutMs for the line to take them.
    // Returns the number of bytes written; 0 on failure or time-out.
    virtual std::size_t Write(const uint8_t* bytes, std::size_t count, int32_t timeoutMs) = 0;

    // Waits at most timeoutMs for the first byte, then returns what is ready, up to capacity.
    // Returns 0 on time-out or failure.
    // The wait ends early, within about 100 ms, once the cancel request given below is set.
    virtual std::size_t Read(uint8_t* bytes, std::size_t capacity, int32_t timeoutMs) = 0;

    // Why the last Read returned 0: TimedOut, Disconnected or Aborted.
    virtual FailureCause LastReadFailure() const { return FailureCause::TimedOut; }

    // The request that ends a read's wait early; null: none does.
    void StopWaitingWhen(const CancelRequest* cancel) { cancel_ = cancel; }

  protected:
    const CancelRequest* WaitCancel() const { return cancel_; }

  private:
    const CancelRequest* cancel_ = nullptr;
};

struct PortOpenResult {
    std::unique_ptr<SerialPort> port;  // null on failure
    PortOpenError error = PortOpenError::None;
};

// Opens the named port exclusively, raw 8N1 at baudRate, no flow control, DTR and RTS off,
// both directions flushed. timeoutMs bounds every single read and write on the port.
PortOpenResult OpenPlatformSerialPort(const std::string& portName, uint32_t baudRate,
                                      int32_t timeoutMs);

using PortOpener = PortOpenResult (*)(const std::string& portName, uint32_t baudRate,
                                      int32_t timeoutMs);

// Replaces the system's ports for the whole process (replay and fuzzing); null restores them.
void SetPortOpener(PortOpener opener);

// Opens a port with the opener in force.
PortOpenResult OpenPort(const std::string& portName, uint32_t baudRate, int32_t timeoutMs);

}  // namespace kvd
