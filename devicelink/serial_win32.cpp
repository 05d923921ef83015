// Win32 serial ports: an exclusive synchronous handle, a zeroed DCB and per-byte time-outs.
#include <windows.h>

#include "devicelink/serial_port.h"

namespace kvd {
namespace {

std::wstring Widen(const std::string& text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<std::size_t>(n - 1));
    return wide;
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

    // The time-outs were set on the handle at open: with ReadIntervalTimeout MAXDWORD and a
    // constant total, ReadFile returns at once with what is there, or with nothing after it.
    std::size_t Read(uint8_t* bytes, std::size_t capacity, int32_t) override {
        DWORD read = 0;
        if (!::ReadFile(handle_, bytes, static_cast<DWORD>(capacity), &read, nullptr)) return 0;
        return read;
    }

private:
    HANDLE handle_;
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
