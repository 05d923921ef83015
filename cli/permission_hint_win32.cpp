// A COM port denied on Windows is held by another program; there is no group to join.
#include "cli/permission_hint.h"

namespace kvd::cli {

std::string PermissionHint(const std::string&) { return " (close the program that holds it)"; }

}  // namespace kvd::cli
