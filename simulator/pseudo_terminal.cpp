#include "simulator/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kvd::sim {
namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) ThrowErrno("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) ThrowErrno("grantpt/unlockpt");
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) ThrowErrno("ptsname");
    slavePath_ = name;
    // Without an open slave the master reads EIO between the host's calls.
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeeper_ < 0) ThrowErrno("open pseudo-terminal");
    termios tio{};
    if (::tcgetattr(slaveKeeper_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slaveKeeper_, TCSANOW, &tio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() { Hangup(); }

void PseudoTerminal::Hangup() {
    if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
    if (master_ >= 0) ::close(master_);
    slaveKeeper_ = master_ = -1;
}

}  // namespace kvd::sim
