#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/system_text.h"
#include "transfer/settings_file.h"
#include "transfer/settings_file_platform.h"

namespace kvd {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

ProfileFile Refused(std::string why) { return {ProfileFileState::Refused, {}, std::move(why)}; }

// Why a file of this kind and size is not read as settings; empty when it is.
std::string Unfit(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "it is a folder";
    if (S_ISFIFO(info.st_mode)) return "it is a named pipe";
    if (S_ISSOCK(info.st_mode)) return "it is a socket";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "it is a device";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (static_cast<std::uintmax_t>(info.st_size) > kLargestSettingsFile)
        return TooLargeForSettings(static_cast<std::uintmax_t>(info.st_size));
    return {};
}

bool NothingThere(int errorNumber) { return errorNumber == ENOENT || errorNumber == ENOTDIR; }

}  // namespace

ProfileFile ReadProfileFile(const std::filesystem::path& file) {
    // The type is looked at before opening, and again on what was opened: a pipe put in the
    // file's place between the two is opened without waiting (O_NONBLOCK) and then refused.
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        if (NothingThere(errno)) return {};
        return Refused("it cannot be read: " + ErrnoText(errno));
    }
    if (std::string why = Unfit(info); !why.empty()) return Refused(std::move(why));
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (NothingThere(errno)) return {};
        return Refused("it cannot be read: " + ErrnoText(errno));
    }
    if (::fstat(fd.get(), &info) != 0) return Refused("it cannot be read: " + ErrnoText(errno));
    if (std::string why = Unfit(info); !why.empty()) return Refused(std::move(why));

    // The file may grow while it is read; one byte past the bound tells.
    ProfileFile read{ProfileFileState::Read, {}, {}};
    read.bytes.resize(static_cast<std::size_t>(kLargestSettingsFile) + 1);
    std::size_t got = 0;
    while (got < read.bytes.size()) {
        const ssize_t count = ::read(fd.get(), read.bytes.data() + got, read.bytes.size() - got);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return Refused("it cannot be read: " + ErrnoText(errno));
        if (count == 0) break;
        got += static_cast<std::size_t>(count);
    }
    if (got > kLargestSettingsFile) return Refused(TooLargeForSettings(got));
    read.bytes.resize(got);
    return read;
}

std::string WhyNotWritable(const std::filesystem::path& file) {
    // O_NONBLOCK: a pipe without a reader fails at once instead of waiting for one.
    const Descriptor fd(::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return ErrnoText(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return ErrnoText(errno);
    return Unfit(info);
}

}  // namespace kvd
