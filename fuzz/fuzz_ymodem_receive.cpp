// A whole "GetLog" against any bytes from the device: status lines, block 0, data blocks,
// the end-of-file handshake and the closing reply. Runs in memory, with 128- and 1024-byte
// reads alternating so blocks also arrive split.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devicelink/devicelink.h"
#include "devicelink/memory_port.h"

namespace {

int32_t CheckFile(void* context, const uint8_t* data, int32_t size, const char*, const char* name) {
    // A handed-over file has the size block 0 announced and a safe name.
    if (size < 0 || (size > 0 && data == nullptr)) __builtin_trap();
    const std::string fileName = name;
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find_first_of("/\\:") != std::string::npos)
        __builtin_trap();
    ++*static_cast<int*>(context);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvd::SetDiagnosticStream(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto line = std::make_shared<kvd::MemoryLine>();
    line->script.assign(data + 1, data + size);
    line->burst = data[0] & 1 ? 128 : 1024;
    kvd::UseMemoryLine(line);

    int files = 0;
    kvd::DeviceCall call;
    call.timeoutMs = 1;
    call.completion = CheckFile;
    call.completionContext = &files;
    const kvd::CallOutcome outcome =
        kvd::RunDeviceCommand("memory", kvd::command_line::GetLog(0), call);
    if (outcome.Succeeded() && files != 1) __builtin_trap();  // success always hands over one file
    return 0;
}
