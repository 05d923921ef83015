// Where a document's bytes go: a file being saved, or memory in tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kvd {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Writes all bytes; false with error set when that fails.
    virtual bool Write(std::span<const uint8_t> bytes, std::string& error) = 0;
};

}  // namespace kvd
