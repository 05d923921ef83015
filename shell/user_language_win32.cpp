#include <windows.h>

#include "shell/message_catalogue.h"

namespace kvd {

uint16_t ReadUserDefaultLangId() { return static_cast<uint16_t>(GetUserDefaultLangID()); }

}  // namespace kvd
