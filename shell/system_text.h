// Texts the operating system words itself, in UTF-8.
#pragma once

#include <string>

namespace kvd {

// The system's own description of "already exists", shown when a second copy of the program
// starts while the first holds the single-instance lock.
std::string AlreadyExistsText();

}  // namespace kvd
