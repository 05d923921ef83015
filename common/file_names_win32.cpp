#include "common/file_names.h"

namespace kvd {

std::string UnusableName(std::string_view path) { return WindowsRefusedName(path); }

}  // namespace kvd
