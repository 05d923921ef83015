// An upload ("UpdateGpsDataX") against any answers from the device. The host's blocks are
// checked as they go out: each is framed with a good CRC, and no block is ever sent that
// lies past the end of the file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "devicelink/devicelink.h"
#include "devicelink/memory_port.h"
#include "devicelink/ymodem_block.h"

namespace {

constexpr std::size_t kFileSize = 2500;  // three data blocks, the last one padded

const std::string& Folder() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "kvd2730-fuzz-send";
        std::filesystem::create_directories(path);
        std::ofstream(path / "points.FPT", std::ios::binary) << std::string(kFileSize, 'p');
        return path.string();
    }();
    return folder;
}

// Every block the host wrote after its command line is well framed and in the file's range.
void CheckWrittenBlocks(const std::vector<uint8_t>& written) {
    const std::size_t command = std::string("UpdateGpsDataX\n").size();
    for (std::size_t at = command; at < written.size();) {
        const uint8_t type = written[at];
        if (type != kvd::kStx) {
            ++at;  // EOT, CAN
            continue;
        }
        if (at + kvd::kLongBlockLength > written.size()) __builtin_trap();
        const uint8_t* block = written.data() + at;
        if (!kvd::BlockCrcMatches(block) || !kvd::BlockComplementMatches(block)) __builtin_trap();
        if (block[1] > (kFileSize + 1023) / 1024) __builtin_trap();
        at += kvd::kLongBlockLength;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvd::SetDiagnosticStream(nullptr);
    Folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    auto line = std::make_shared<kvd::MemoryLine>();
    line->script.assign(data, data + size);
    kvd::UseMemoryLine(line);

    kvd::DeviceCall call;
    call.folder = Folder().c_str();
    call.fileName = "points.FPT";
    call.timeoutMs = 1;
    const kvd::CallOutcome outcome =
        kvd::RunDeviceCommand("memory", kvd::command_line::kGpsDataUpdate, call);
    if (outcome.Cancelled()) __builtin_trap();
    CheckWrittenBlocks(line->written);
    return 0;
}
