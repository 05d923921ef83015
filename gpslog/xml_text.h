// Text going into the KML: escaping for XML and the UTF-16LE encoding of the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// Appends text as XML character data: & < > and CR escaped; bytes that are not UTF-8, and
// characters XML 1.0 forbids even escaped, become U+FFFD so the document stays well-formed.
void AppendEscapedText(std::string& out, std::string_view text);

// Appends well-formed UTF-8 as UTF-16LE; an ill-formed sequence becomes U+FFFD.
void AppendUtf16Le(std::vector<uint8_t>& out, std::string_view utf8);

inline constexpr uint8_t kUtf16LeBom[2] = {0xFF, 0xFE};

}  // namespace kvd
