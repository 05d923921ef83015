// Whole device calls against any bytes from the device: the first input byte picks the
// command line, the rest is what the device sends after echoing it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "devicelink/devicelink.h"
#include "devicelink/memory_port.h"

namespace {

// One line per row of the command table, and one the table does not know.
constexpr std::array<const char*, 22> kCommands{
    "Hello\n",
    "Echo KVD-2730\n",
    "Help\n",
    "GetMode\n",
    "SetMode 1\n",
    "GetGpsDataVersion\n",
    "UpdateVoiceData\n",
    "GetLogList\n",
    "GetLog 3\n",
    "GetRecordList\n",
    "GetRecord 1\n",
    "UpdateGpsDataX\n",
    "EraseFlashRom\n",
    "ProgramFlashRom\n",
    "ReadFlashRom\n",
    "GetFwDataVersion\n",
    "DeleteLog 2\n",
    "DeleteRecord 4\n",
    "WriteFwData\n",
    "UpdateFw\n",
    "SetBaudrate 9600\n",
    "Frobnicate\n",
};

int32_t CountBytes(void* context, const uint8_t*, int32_t size, const char*, const char*) {
    if (size < 0) __builtin_trap();
    *static_cast<int64_t*>(context) += size;
    return 1;
}

// Received files and the file to upload live in a scratch folder of this process.
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "kvd2730-fuzz-replies";
        std::filesystem::create_directories(path);
        std::ofstream(path / "upload.bin", std::ios::binary) << std::string(3000, 'u');
        return path.string();
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvd::SetDiagnosticStream(nullptr);
    ScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto line = std::make_shared<kvd::MemoryLine>();
    line->script.assign(data + 1, data + size);
    line->burst = (data[0] >> 5) + 1;  // reads of 1 to 8 bytes, as a slow line delivers them
    kvd::UseMemoryLine(line);

    int64_t received = 0;
    std::string reply;
    kvd::DeviceCall call;
    call.folder = ScratchFolder().c_str();
    call.fileName = "upload.bin";
    call.timeoutMs = 1;
    call.replyOut = &reply;
    call.completion = CountBytes;
    call.completionContext = &received;
    const kvd::CallOutcome outcome =
        kvd::RunDeviceCommand("memory", kCommands[data[0] % kCommands.size()], call);
    // Nobody cancels here, and a success never says why it failed.
    if (outcome.Cancelled() || (outcome.Succeeded() && outcome.failure != kvd::CallFailure::None) ||
        reply.size() > 1033)
        __builtin_trap();
    return 0;
}
