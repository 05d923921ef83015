// Text going into the KML: escaping for XML.
#pragma once

#include <string>
#include <string_view>

namespace kvd {

class TextSink;

// Appends text as XML character data: & < > and CR escaped; bytes that are not UTF-8, and
// characters XML 1.0 forbids even escaped, become U+FFFD so the document stays well-formed.
void AppendEscapedText(std::string& out, std::string_view text);
void AppendEscapedText(TextSink& out, std::string_view text);

// U+FEFF at the start of a file names its encoding and byte order.
inline constexpr char32_t kByteOrderMark = 0xFEFF;

}  // namespace kvd
