#include <atomic>

#include "devicelink/serial_port.h"

namespace kvd {
namespace {

std::atomic<PortOpener> g_opener{nullptr};

}  // namespace

void SetPortOpener(PortOpener opener) { g_opener = opener; }

PortOpenResult OpenPort(const std::string& portName, uint32_t baudRate, int32_t timeoutMs) {
    const PortOpener opener = g_opener;
    return (opener ? opener : OpenPlatformSerialPort)(portName, baudRate, timeoutMs);
}

}  // namespace kvd
