// The host's end of the virtual device's port, driven byte by byte: no host library between
// the test and what is on the wire.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvd::test {

using Ms = std::chrono::milliseconds;

class RawPort {
  public:
    explicit RawPort(std::string path) : path_(std::move(path)) { Open(); }
    ~RawPort() { ::close(fd_); }
    RawPort(const RawPort&) = delete;
    RawPort& operator=(const RawPort&) = delete;

    // Closes the port and opens it anew, as the next program to use it would.
    void Reopen() {
        ::close(fd_);
        Open();
    }

    void Write(std::string_view bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("write to " + path_ + " failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // Exactly `count` bytes, fewer only when the deadline passed first.
    std::string Read(std::size_t count, Ms deadline = Ms(5000)) {
        return ReadWhile([&](const std::string& got) { return got.size() < count; }, deadline,
                         deadline);
    }
    // Up to and including `tail`, or what came before the deadline.
    std::string ReadUntil(std::string_view tail, Ms deadline = Ms(5000)) {
        return ReadWhile([&](const std::string& got) { return !got.ends_with(tail); }, deadline,
                         deadline);
    }
    // What comes until the line has been quiet for `quiet`.
    std::string ReadUntilQuiet(Ms quiet) {
        return ReadWhile([](const std::string&) { return true; }, quiet, Ms(10000));
    }

  private:
    void Open() {
        fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot open " + path_);
        termios tio{};
        if (::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }

    // Reads byte by byte, so that nothing past what `more` asks for is taken from the line.
    template <typename More>
    std::string ReadWhile(More more, Ms quiet, Ms deadline) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point end = Clock::now() + deadline;
        std::string got;
        while (more(got)) {
            const auto left = std::chrono::duration_cast<Ms>(end - Clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(std::min(left, quiet).count())) <= 0) break;
            char c = 0;
            if (::read(fd_, &c, 1) != 1) break;
            got.push_back(c);
        }
        return got;
    }

    std::string path_;
    int fd_ = -1;
};

inline std::string ReadWholeText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kvd::test
