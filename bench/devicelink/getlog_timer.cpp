// getlog_timer: one GetLog 0 on the given port, timed inside the process, so that a run
// under Wine is measured without Wine's start-up. Prints "BYTES SECONDS".
#include <chrono>
#include <cstdio>
#include <string>

#include "devicelink/devicelink.h"

namespace {

int32_t KeepSize(void* context, const uint8_t*, int32_t size, const char*, const char*) {
    *static_cast<int32_t*>(context) = size;
    return 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: getlog_timer PORT\n", stderr);
        return 2;
    }
    kvd::SetDiagnosticStream(nullptr);
    int32_t size = 0;
    kvd::DeviceCall call;
    call.completion = &KeepSize;
    call.completionContext = &size;
    const auto start = std::chrono::steady_clock::now();
    const kvd::CallOutcome outcome =
        kvd::RunDeviceCommand(argv[1], kvd::command_line::GetLog(0), call);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (outcome.status != kvd::CallStatus::Transferred) {
        std::fputs("getlog_timer: GetLog failed\n", stderr);
        return 1;
    }
    std::printf("%d %.6f\n", static_cast<int>(size), seconds);
    return 0;
}
