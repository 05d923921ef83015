// The link's diagnostic lines: every reply line and the transfer state texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace kvd {

void WriteDiagnostic(std::string_view text);
void WriteDiagnosticBytes(const unsigned char* bytes, std::size_t count);

// printf-style; the texts are the link's fixed state texts.
void WriteDiagnosticFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kvd
