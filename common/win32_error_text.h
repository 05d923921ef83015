// The Windows system's own words for an error code, in UTF-8, on one line.
#pragma once

#include <string>

namespace kvd {

std::string Win32ErrorText(unsigned long code);

}  // namespace kvd
