#include <cstdlib>

#include "shell/message_catalogue.h"

namespace kvd {

// The locale variables in the order that decides LC_MESSAGES; the first one set wins.
uint16_t ReadUserDefaultLangId() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return LangIdFromLocaleName(value);
        }
    }
    return LangIdFromLocaleName("");
}

}  // namespace kvd
