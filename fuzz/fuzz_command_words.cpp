// Command-line words: the table lookup and the word scanner on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devicelink/devicelink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int32_t id = kvd::LookupCommandId(text);
    if (id < -1 || id > 20) __builtin_trap();
    for (int k = 0; k < 4; ++k) {
        if (kvd::ExtractWord(text, k).size() > 259) __builtin_trap();
    }
    return 0;
}
