#pragma once

#include <string>

namespace kvd::cli {

// How the user may get the right to open a port they are denied, or empty.
std::string PermissionHint(const std::string& port);

}  // namespace kvd::cli
