#include "devicelink/diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "devicelink/devicelink.h"

namespace kvd {
namespace {

std::atomic<std::FILE*> g_diagnosticStream{stdout};

}  // namespace

void SetDiagnosticStream(std::FILE* stream) { g_diagnosticStream = stream; }

void WriteDiagnostic(std::string_view text) {
    if (std::FILE* out = g_diagnosticStream) std::fwrite(text.data(), 1, text.size(), out);
}

void WriteDiagnosticBytes(const unsigned char* bytes, std::size_t count) {
    if (std::FILE* out = g_diagnosticStream) std::fwrite(bytes, 1, count, out);
}

void WriteDiagnosticFormat(const char* format, ...) {
    std::FILE* out = g_diagnosticStream;
    if (!out) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(out, format, args);
    va_end(args);
}

}  // namespace kvd
