#include <cerrno>

#include "common/system_text.h"

namespace kvd {

// The generic category words errno values as strerror does, and safely from any thread.
std::string ErrnoText(int errorNumber) { return std::generic_category().message(errorNumber); }

std::string SystemErrorText(unsigned long code) { return ErrnoText(static_cast<int>(code)); }

std::string ErrorCodeText(const std::error_code& code) { return code.message(); }

std::string AlreadyExistsText() { return ErrnoText(EEXIST); }

}  // namespace kvd
