// Uploading over real pseudo-terminals: a scripted device that answers each block, and
// kvd2730-sim that keeps what it received.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "devicelink/devicelink.h"
#include "support/scripted_peer.h"
#include "support/sim_process.h"
#include "ymodem_test_wire.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using test::AfterHost;
using test::Control;
using test::kDone;
using test::kFailed;
using test::kTransferred;
using test::PatternBytes;
using test::PeerStep;
using test::ScriptedPeer;
using test::SimProcess;
using test::TransferLog;

const std::string kAckText = Control(kAck);

// The device's side of an upload: "C", then one answer per block the host sends, the
// end-of-file handshake, "C" for the closing block 0 and the closing reply.
std::vector<PeerStep> DeviceTakes(const std::vector<std::string>& blockAnswers) {
    std::vector<PeerStep> steps{{"UpdateGpsDataX 1\nC"}};
    for (const std::string& answer : blockAnswers)
        steps.push_back(AfterHost(kLongBlockLength, answer));
    steps.push_back(AfterHost(1, Control(kNak)));   // first EOT
    steps.push_back(AfterHost(1, kAckText + "C"));  // second EOT, then ask for block 0
    steps.push_back(AfterHost(kLongBlockLength, kAckText + "UpdateGpsDataX 0\n> "));
    return steps;
}

// The host's bytes after its command line, cut into the blocks it sent.
struct SentBlocks {
    std::vector<std::string> blocks;
    std::string tail;  // what followed the last block before the closing one
};

class YmodemSend : public testing::Test {
  protected:
    void SetUp() override {
        SetDiagnosticStream(nullptr);
        folder_ = fs::temp_directory_path() /
                  ("kvd-send-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "store");
    }
    void TearDown() override {
        SetDiagnosticStream(stdout);
        fs::remove_all(folder_);
    }

    void WriteLocal(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    static std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    DeviceCall Upload(TransferLog& log, const char* fileName, int32_t timeoutMs = 300) {
        folderText_ = folder_.string();
        DeviceCall call = log.Call(timeoutMs, folderText_.c_str());
        call.fileName = fileName;
        call.completion = nullptr;
        return call;
    }

    fs::path folder_;
    std::string folderText_;
};

std::string DataOf(const std::string& block) { return block.substr(kBlockHead, kLongBlockData); }

TEST_F(YmodemSend, SendsBlocksWithPaddingAndReportsTheEotStep) {
    const struct {
        std::size_t size;
        std::vector<int32_t> percents;
    } cases[] = {
        {1500, {68, 136, 204}},  // the EOT step counts the index past the end
        {2048, {50, 100, 150}},
        {0, {}},  // block 0 announces 0; its answer leads straight to EOT
    };
    for (const auto& c : cases) {
        const std::string bytes = PatternBytes(c.size);
        WriteLocal("points.FPT", bytes);
        const std::size_t blocks = (c.size + 1023) / 1024;
        ScriptedPeer peer(DeviceTakes(std::vector<std::string>(blocks + 1, kAckText)));
        TransferLog log;
        EXPECT_EQ(
            RunDeviceCommand(peer.Port(), command_line::kGpsDataUpdate, Upload(log, "points.FPT"))
                .status,
            CallStatus::Transferred)
            << c.size;
        EXPECT_EQ(log.percents, c.percents) << c.size;
        for (const std::string& name : log.progressNames) EXPECT_EQ(name, "points.FPT");
        for (const int32_t mode : log.modes) EXPECT_EQ(mode, SendFile);

        const std::string sent = peer.Received();
        const std::string command = command_line::kGpsDataUpdate;
        ASSERT_EQ(sent.size(), command.size() + (blocks + 2) * kLongBlockLength + 2) << c.size;
        auto block = [&](std::size_t k) {
            return sent.substr(command.size() + k * kLongBlockLength, kLongBlockLength);
        };
        // Block 0: the device-side name, the size, the load time in octal and the mode.
        const std::string header = block(0);
        EXPECT_TRUE(BlockCrcMatches(reinterpret_cast<const uint8_t*>(header.data())));
        const std::string prefix = std::string("gps.FPT") + '\0' + std::to_string(c.size) + ' ';
        EXPECT_EQ(DataOf(header).substr(0, prefix.size()), prefix);
        const std::string fields = DataOf(header).substr(8).c_str();
        EXPECT_TRUE(fields.ends_with(" 100644 ")) << fields;
        // Data blocks numbered from 1, the file's bytes, then 0x1A.
        std::string padded = bytes;
        padded.resize(blocks * kLongBlockData, static_cast<char>(kSub));
        for (std::size_t k = 1; k <= blocks; ++k) {
            const std::string data = block(k);
            EXPECT_EQ(static_cast<uint8_t>(data[0]), kStx);
            EXPECT_EQ(static_cast<uint8_t>(data[1]), k);
            EXPECT_TRUE(BlockCrcMatches(reinterpret_cast<const uint8_t*>(data.data())));
            EXPECT_TRUE(DataOf(data) == padded.substr((k - 1) * kLongBlockData, kLongBlockData));
        }
        const std::size_t tailAt = command.size() + (blocks + 1) * kLongBlockLength;
        EXPECT_EQ(sent.substr(tailAt, 2), Control(kEot, 2));
        EXPECT_EQ(sent.substr(tailAt + 2), test::ClosingBlock());
    }
}

TEST_F(YmodemSend, SecondBlockOfA1500ByteFileHolds476BytesAnd548Padding) {
    WriteLocal("points.FPT", PatternBytes(1500));
    ScriptedPeer peer(DeviceTakes({kAckText, kAckText, kAckText}));
    TransferLog log;
    ASSERT_EQ(RunDeviceCommand(peer.Port(), command_line::kGpsDataUpdate, Upload(log, "points.FPT"))
                  .status,
              CallStatus::Transferred);
    const std::string second = DataOf(peer.Received().substr(
        std::string(command_line::kGpsDataUpdate).size() + 2 * kLongBlockLength, kLongBlockLength));
    EXPECT_EQ(second.substr(0, 476), PatternBytes(1500).substr(1024));
    EXPECT_EQ(second.substr(476), Control(kSub, 548));
}

TEST_F(YmodemSend, NakResendsTheSameBlockAndCMeansGoOn) {
    WriteLocal("points.FPT", PatternBytes(7000));  // seven blocks
    const struct {
        const char* name;
        std::vector<std::string> answers;  // to block 0, then to each block sent
        std::vector<int> numbersSent;      // block numbers in the order they went out
    } cases[] = {
        {"NakAfterBlock5",
         {kAckText, kAckText, kAckText, kAckText, kAckText, Control(kNak), kAckText, kAckText,
          kAckText},
         {0, 1, 2, 3, 4, 5, 5, 6, 7}},
        {"CInsteadOfAck", std::vector<std::string>(8, "C"), {0, 1, 2, 3, 4, 5, 6, 7}},
        {"NakForBlock0",
         {Control(kNak), kAckText, kAckText, kAckText, kAckText, kAckText, kAckText, kAckText,
          kAckText},
         {0, 0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer(DeviceTakes(c.answers));
        TransferLog log;
        EXPECT_EQ(
            RunDeviceCommand(peer.Port(), command_line::kGpsDataUpdate, Upload(log, "points.FPT"))
                .status,
            CallStatus::Transferred)
            << c.name;
        const std::string sent =
            peer.Received().substr(std::string(command_line::kGpsDataUpdate).size());
        std::vector<int> numbers;
        for (std::size_t k = 0; k < c.numbersSent.size(); ++k)
            numbers.push_back(static_cast<uint8_t>(sent[k * kLongBlockLength + 1]));
        EXPECT_EQ(numbers, c.numbersSent) << c.name;
        if (c.numbersSent[5] == c.numbersSent[6]) {
            EXPECT_EQ(sent.substr(5 * kLongBlockLength, kLongBlockLength),
                      sent.substr(6 * kLongBlockLength, kLongBlockLength));
        }
    }
}

TEST_F(YmodemSend, ACancelSendsCanInsteadOfTheNextBlock) {
    WriteLocal("points.FPT", PatternBytes(3000));
    ScriptedPeer peer({{"UpdateGpsDataX 1\nC"},
                       AfterHost(kLongBlockLength, kAckText),
                       AfterHost(kLongBlockLength, kAckText),
                       AfterHost(1)});
    TransferLog log;
    log.abortAfterPercent = 1;
    EXPECT_EQ(RunDeviceCommand(peer.Port(), command_line::kGpsDataUpdate, Upload(log, "points.FPT"))
                  .status,
              CallStatus::Cancelled);
    const std::string sent = peer.Received();
    EXPECT_EQ(sent.size(),
              std::string(command_line::kGpsDataUpdate).size() + 2 * kLongBlockLength + 1);
    EXPECT_EQ(sent.back(), static_cast<char>(kCan));
}

TEST_F(YmodemSend, AMissingLocalFileFailsBeforeAnyBlockIsSent) {
    ScriptedPeer peer({{"UpdateGpsDataX 1\nC"}, AfterHost(PeerStep::kUntilQuiet)});
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(peer.Port(), command_line::kGpsDataUpdate, Upload(log, "absent.FPT"))
                  .status,
              CallStatus::Failed);
    // No block 0; only the cancel that keeps the device from waiting for one.
    EXPECT_EQ(peer.Received(), command_line::kGpsDataUpdate + Control(kCan) + Control(kCan));
}

TEST_F(YmodemSend, TheDeviceKeepsEachUploadUnderItsDeviceSideName) {
    const struct {
        const char* command;
        const char* localName;
        const char* storedName;
    } cases[] = {
        {command_line::kGpsDataUpdate, "points.FPT", "gps.FPT"},
        {command_line::kVoiceDataUpdate, "speech.mem", "voice.mem"},
        {"WriteFwData\n", "v121.bin", "firm.bin"},
        {"ProgramFlashRom\n", "custom.bin", "custom.bin"},  // the caller's name goes over
    };
    const std::string store = (folder_ / "store").string();
    SimProcess sim({"--store", store});
    std::size_t size = 5000;
    for (const auto& c : cases) {
        const std::string bytes = PatternBytes(size += 777);
        WriteLocal(c.localName, bytes);
        TransferLog log;
        EXPECT_EQ(RunDeviceCommand(sim.Port(), c.command, Upload(log, c.localName)).status,
                  CallStatus::Transferred)
            << c.command;
        EXPECT_TRUE(ReadFile(folder_ / "store" / c.storedName) == bytes) << c.command;
        EXPECT_EQ(log.progressNames.back(), c.localName);
    }
    // The firmware written last is what the flash reads back.
    TransferLog log;
    const std::string readBack = (folder_ / "store").string();
    fs::remove(folder_ / "store" / "custom.bin");
    DeviceCall call = log.Call(300, readBack.c_str());
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "ReadFlashRom\n", call).status, CallStatus::Transferred);
    EXPECT_TRUE(ReadFile(folder_ / "store" / "custom.bin") == ReadFile(folder_ / "custom.bin"));
}

struct UploadFault {
    const char* name;
    const char* fault;
    CallStatus result;
};

class YmodemSendFault : public YmodemSend, public testing::WithParamInterface<UploadFault> {};

TEST_P(YmodemSendFault, FailsOrStoresTheExactFile) {
    const UploadFault& c = GetParam();
    const std::string bytes = PatternBytes(6000);  // six blocks
    WriteLocal("points.FPT", bytes);
    SimProcess sim({"--store", (folder_ / "store").string(), "--fault", c.fault});
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(sim.Port(), command_line::kGpsDataUpdate, Upload(log, "points.FPT"))
                  .status,
              c.result);
    if (c.result == kTransferred) {
        EXPECT_TRUE(ReadFile(folder_ / "store" / "gps.FPT") == bytes);
    } else {
        EXPECT_FALSE(fs::exists(folder_ / "store" / "gps.FPT"));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, YmodemSendFault,
                         testing::Values(UploadFault{"NakForBlock3", "nak:3", kTransferred},
                                         UploadFault{"CInsteadOfAck", "c-for-ack", kTransferred},
                                         UploadFault{"Cancel", "cancel:2", kFailed},
                                         UploadFault{"Garbage", "garbage:2", kFailed},
                                         UploadFault{"BrokenEndOfFileHandshake", "broken-eot",
                                                     kFailed},
                                         UploadFault{"Stall", "stall:2", kFailed},
                                         UploadFault{"Unplug", "unplug:2", kFailed}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kvd
