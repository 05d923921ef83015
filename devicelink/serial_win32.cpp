// Win32 serial ports: an exclusive synchronous handle, a zeroed DCB and per-byte time-outs.
#include <windows.h>

#include <algorithm>
#include <chrono>

#include "common/utf8.h"
#include "devicelink/serial_port.h"

namespace kvd {
namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait: a cancel request is seen within this, whatever the time-out.
constexpr int64_t kWaitSliceMs = 100;

// Why the last read came back empty.
enum class ReadEnd { None, TimedOut, Disconnected, Aborted };

std::wstring Widen(const std::string& text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

PortOpenError ErrorFromLastError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return PortOpenError::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return PortOpenError::Busy;  // a COM port held by another program reports access denied
        default:
            return PortOpenError::Other;
    }
}

class Win32SerialPort final : public SerialPort {
  public:
    explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
    ~Win32SerialPort() override { ::CloseHandle(handle_); }
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    std::size_t Write(const uint8_t* bytes, std::size_t count, int32_t) override {
        DWORD written = 0;
        ::WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr);
        return written;
    }

    // With ReadIntervalTimeout MAXDWORD and a constant total, ReadFile waits for the whole
    // request or the whole constant, whichever comes first, even with bytes waiting. So ask
    // only for what the driver holds, or for one byte with the constant cut to one slice.
    std::size_t Read(uint8_t* bytes, std::size_t capacity, int32_t timeoutMs) override {
        if (capacity == 0) return 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (IsCancelled(WaitCancel())) return Failed(ReadEnd::Aborted);
            DWORD errors = 0;
            COMSTAT status{};
            // Also clears a line error, which would otherwise fail every later read.
            if (!::ClearCommError(handle_, &errors, &status)) return Failed(ReadEnd::Disconnected);
            DWORD wanted = 1;
            if (status.cbInQue > 0) {
                wanted = static_cast<DWORD>(std::min<std::size_t>(status.cbInQue, capacity));
            } else {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count();
                if (left <= 0) return Failed(ReadEnd::TimedOut);
                if (!SetReadWait(static_cast<DWORD>(std::min<int64_t>(left, kWaitSliceMs))))
                    return Failed(ReadEnd::Disconnected);
            }
            DWORD read = 0;
            if (!::ReadFile(handle_, bytes, wanted, &read, nullptr))
                return Failed(ReadEnd::Disconnected);
            if (read > 0) return read;
        }
    }

  private:
    std::size_t Failed(ReadEnd end) {
        lastEnd_ = end;
        return 0;
    }

    // The total read time-out, changed only when the slice differs from the one in force.
    bool SetReadWait(DWORD waitMs) {
        if (waitMs == readWaitMs_) return true;
        COMMTIMEOUTS timeouts{};
        if (!::GetCommTimeouts(handle_, &timeouts)) return false;
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = waitMs;
        if (!::SetCommTimeouts(handle_, &timeouts)) return false;
        readWaitMs_ = waitMs;
        return true;
    }

    HANDLE handle_;
    DWORD readWaitMs_ = MAXDWORD;  // unknown until the first wait
    ReadEnd lastEnd_ = ReadEnd::None;
};

bool Configure(HANDLE handle, uint32_t baudRate, int32_t timeoutMs) {
    if (!::SetupComm(handle, 4096, 4096)) return false;
    if (!::PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fTXContinueOnXoff = 1;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = 512;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.EofChar = 0x03;
    dcb.EvtChar = 0x02;
    if (!::SetCommState(handle, &dcb)) return false;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(timeoutMs);
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(timeoutMs);
    return ::SetCommTimeouts(handle, &timeouts) != 0;
}

}  // namespace

PortOpenResult OpenPlatformSerialPort(const std::string& portName, uint32_t baudRate,
                                      int32_t timeoutMs) {
    const std::wstring name = Widen(portName);
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, ErrorFromLastError(::GetLastError())};
    if (!Configure(handle, baudRate, timeoutMs)) {
        ::CloseHandle(handle);
        return {nullptr, PortOpenError::NotASerialPort};
    }
    return {std::make_unique<Win32SerialPort>(handle), PortOpenError::None};
}

}  // namespace kvd
