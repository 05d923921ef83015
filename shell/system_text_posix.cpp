#include <cerrno>
#include <cstring>

#include "shell/system_text.h"

namespace kvd {

std::string AlreadyExistsText() { return std::strerror(EEXIST); }

}  // namespace kvd
