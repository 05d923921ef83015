// POSIX serial ports: termios, exclusive by TIOCEXCL and flock, reads bounded with poll().
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "devicelink/serial_port.h"

namespace kvd {
namespace {

using Clock = std::chrono::steady_clock;

PortOpenError ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortOpenError::NotFound;
        case EACCES:
        case EPERM:
            return PortOpenError::PermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return PortOpenError::Busy;
        case ENOTTY:
            return PortOpenError::NotASerialPort;
        default:
            return PortOpenError::Other;
    }
}

// Longest single wait: a cancel request is seen within this, whatever the time-out.
constexpr int64_t kWaitSliceMs = 100;

enum class Wait { Ready, TimedOut, Failed, Aborted };

// Waits for the descriptor to become ready in slices, restarting after signals with the time
// left. A wait for input gives up at the end of a slice in which nothing came once a cancel is
// requested: bytes already on their way (the echo of a line sent anyway) are still read, and
// output still goes out, so that the CAN that ends a transfer reaches the device.
Wait WaitReady(int fd, short events, int32_t timeoutMs, const CancelRequest* cancel) {
    const bool abortable = (events & POLLIN) != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Wait::TimedOut;
        pollfd p{fd, events, 0};
        const int n =
            ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), kWaitSliceMs)));
        if (n > 0) {
            const bool ready = (p.revents & events) != 0 && (p.revents & (POLLERR | POLLNVAL)) == 0;
            return ready ? Wait::Ready : Wait::Failed;
        }
        if (n < 0 && errno != EINTR) return Wait::Failed;
        if (abortable && IsCancelled(cancel)) return Wait::Aborted;
    }
}

class PosixSerialPort final : public SerialPort {
  public:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    ~PosixSerialPort() override {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    std::size_t Write(const uint8_t* bytes, std::size_t count, int32_t timeoutMs) override {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd_, bytes + done, count - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                if (WaitReady(fd_, POLLOUT, timeoutMs, nullptr) != Wait::Ready) break;
            } else {
                break;
            }
        }
        return done;
    }

    std::size_t Read(uint8_t* bytes, std::size_t capacity, int32_t timeoutMs) override {
        for (;;) {
            const ssize_t n = ::read(fd_, bytes, capacity);
            if (n > 0) return static_cast<std::size_t>(n);
            if (n < 0 && errno == EINTR) continue;
            // A read of 0 is a hang-up; any error but "nothing yet" is a line gone away.
            if (n == 0 || (n < 0 && errno != EAGAIN)) return Failed(FailureCause::Disconnected);
            switch (WaitReady(fd_, POLLIN, timeoutMs, WaitCancel())) {
                case Wait::Ready:
                    continue;
                case Wait::TimedOut:
                    return Failed(FailureCause::TimedOut);
                case Wait::Aborted:
                    return Failed(FailureCause::Aborted);
                case Wait::Failed:
                    return Failed(FailureCause::Disconnected);
            }
        }
    }

    FailureCause LastReadFailure() const override { return lastFailure_; }

  private:
    std::size_t Failed(FailureCause cause) {
        lastFailure_ = cause;
        return 0;
    }

    int fd_;
    FailureCause lastFailure_ = FailureCause::None;
};

bool Configure(int fd, uint32_t baudRate) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With O_NONBLOCK, VMIN 1 makes an empty read say EAGAIN and a read of 0 mean hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = baudRate == 115200 ? B115200 : B9600;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return false;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    // DTR and RTS off; a pseudo-terminal has no modem lines and refuses, which is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    return ::tcflush(fd, TCIOFLUSH) == 0;
}

}  // namespace

PortOpenResult OpenPlatformSerialPort(const std::string& portName, uint32_t baudRate,
                                      int32_t /*timeoutMs: bounded per call with poll*/) {
    const int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {nullptr, ErrorFromErrno(errno)};
    // TIOCEXCL keeps other users out; flock also keeps out root and our own other calls.
    if (::ioctl(fd, TIOCEXCL) != 0 && errno == ENOTTY) {
        ::close(fd);
        return {nullptr, PortOpenError::NotASerialPort};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return {nullptr, PortOpenError::Busy};
    }
    if (!Configure(fd, baudRate)) {
        const PortOpenError error = ErrorFromErrno(errno);
        ::close(fd);
        return {nullptr, error == PortOpenError::Other ? PortOpenError::NotASerialPort : error};
    }
    return {std::make_unique<PosixSerialPort>(fd), PortOpenError::None};
}

}  // namespace kvd
