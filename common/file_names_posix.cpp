#include "common/file_names.h"

namespace kvd {

std::string UnusableName(std::string_view) { return {}; }

}  // namespace kvd
