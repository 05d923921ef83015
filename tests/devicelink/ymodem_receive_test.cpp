// Receiving YMODEM batches over real pseudo-terminals: from a scripted peer for exact bytes,
// from kvd2730-sim for whole transfers and every fault it injects.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "devicelink/devicelink.h"
#include "devicelink/link_context.h"
#include "devicelink/ymodem_steps.h"
#include "simulator/synthetic_trips.h"
#include "support/scripted_peer.h"
#include "support/sim_process.h"
#include "ymodem_test_wire.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using test::AfterHost;
using test::Control;
using test::DeviceFile;
using test::kDone;
using test::kFailed;
using test::kTransferred;
using test::PatternBytes;
using test::ScriptedPeer;
using test::SimProcess;
using test::TransferLog;

constexpr std::size_t kUntilQuiet = test::PeerStep::kUntilQuiet;

// The host's side of one received file: "C" for block 0, its ACK, one ACK per data block,
// NAK and ACK for the two EOTs.
std::string HostAnswersForFile(std::size_t blocks) {
    return Control(kRequest) + Control(kAck) + Control(kAck, blocks) + Control(kNak) +
           Control(kAck);
}
const std::string kHostClosesBatch = Control(kRequest) + Control(kAck);

class YmodemReceive : public testing::Test {
  protected:
    void SetUp() override {
        SetDiagnosticStream(nullptr);
        root_ = fs::temp_directory_path() /
                ("kvd-receive-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        folder_ = root_ / "inside";
        fs::create_directories(folder_);
    }
    void TearDown() override {
        SetDiagnosticStream(stdout);
        fs::remove_all(root_);
    }

    static std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::set<std::string> Entries(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string Folder() const { return folder_.string(); }

    fs::path root_;
    fs::path folder_;
};

TEST_F(YmodemReceive, ToMemoryReportsWholeBlocksAndHandsOverExactlyTheFile) {
    const struct {
        std::size_t size;
        std::vector<int32_t> percents;
    } cases[] = {
        {1500, {68, 136}},  // the last block counts whole
        {2048, {50, 100}},  // no padding; EOT follows block 2
        {1, {102400}},
        {0, {}},  // no data block at all: EOT right after block 0
    };
    for (const auto& c : cases) {
        const std::string bytes = PatternBytes(c.size);
        ScriptedPeer peer({{"GetLog 1\n" + DeviceFile("06121530.LOG", bytes) +
                            test::ClosingBlock() + "GetLog 0\n> "},
                           AfterHost(kUntilQuiet)});
        TransferLog log;
        EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", log.Call()).status,
                  CallStatus::Transferred)
            << c.size;
        EXPECT_EQ(log.completions, 1);
        EXPECT_EQ(log.data, bytes) << c.size;
        EXPECT_EQ(log.fileName, "06121530.LOG");
        EXPECT_EQ(log.percents, c.percents) << c.size;
        for (const int32_t mode : log.modes) EXPECT_EQ(mode, ReceiveToMemory);
        const std::size_t blocks = (c.size + 1023) / 1024;
        EXPECT_EQ(peer.Received(), "GetLog 0\n" + HostAnswersForFile(blocks) + kHostClosesBatch);
    }
}

TEST_F(YmodemReceive, TwoFileBatchInBothModes) {
    const std::string first = PatternBytes(1500), second = PatternBytes(3000).substr(1000);
    const std::string batch =
        DeviceFile("A.WAV", first) + DeviceFile("B.WAV", second) + test::ClosingBlock();
    {
        ScriptedPeer peer({{"GetRecord 1\n" + batch + "GetRecord 0\n> "}});
        TransferLog log;
        EXPECT_EQ(
            RunDeviceCommand(peer.Port(), "GetRecord 0\n", log.Call(300, Folder().c_str())).status,
            CallStatus::Transferred);
        EXPECT_EQ(ReadFile(folder_ / "A.WAV"), first);
        EXPECT_EQ(ReadFile(folder_ / "B.WAV"), second);
        EXPECT_EQ(Entries(folder_), (std::set<std::string>{"A.WAV", "B.WAV"}));
        EXPECT_EQ(log.progressNames.front(), "A.WAV");
        EXPECT_EQ(log.progressNames.back(), "B.WAV");
        EXPECT_EQ(log.modes.front(), ReceiveToFile);
    }
    {
        ScriptedPeer peer({{"GetLog 1\n" + batch + "GetLog 0\n> "}});
        TransferLog log;
        EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", log.Call()).status,
                  CallStatus::Transferred);
        EXPECT_EQ(log.completions, 1);
        EXPECT_EQ(log.fileName, "B.WAV");  // only the last file reaches the handler
        EXPECT_EQ(log.data, second);
        EXPECT_EQ(log.modes.front(), ReceiveToMemory);
    }
}

TEST_F(YmodemReceive, StatusWordDecidesWhetherABatchFollows) {
    const std::string batch = DeviceFile("T.LOG", PatternBytes(100)) + test::ClosingBlock();
    const struct {
        std::string reply;
        CallStatus result;
    } cases[] = {
        {"GetLog 1\n" + batch + "GetLog 0\n> ", kTransferred},
        {"GetLog 01\n" + batch + "GetLog 0\n> ", kTransferred},
        {"GetLog 1a\n> ", kFailed},
        {"GetLog 2\n> ", kFailed},
        {"> ", kDone},                                   // a reply without a transfer
        {"GetLog 1\n" + batch + "GetLog 0\n", kFailed},  // the closing prompt never came
    };
    for (const auto& c : cases) {
        ScriptedPeer peer({{c.reply}});
        TransferLog log;
        DeviceCall call = log.Call(200);
        call.completion = nullptr;  // the transfer's own result
        EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", call).status, c.result) << c.reply;
    }
}

TEST_F(YmodemReceive, ShortBlockZeroIsReadWholeAndItsDataBlocksAsShortBlocks) {
    const std::string bytes = PatternBytes(300);  // three 128-byte blocks, the last padded
    ScriptedPeer peer(
        {{"GetLog 1\n" + DeviceFile("S.LOG", bytes, kSoh) + test::ClosingBlock() + "GetLog 0\n> "},
         AfterHost(kUntilQuiet)});
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", log.Call()).status,
              CallStatus::Transferred);
    EXPECT_EQ(log.data, bytes);
    EXPECT_EQ(log.percents, (std::vector<int32_t>{42, 85, 128}));
    EXPECT_EQ(peer.Received(), "GetLog 0\n" + HostAnswersForFile(3) + kHostClosesBatch);
}

TEST_F(YmodemReceive, DamagedOrMisnumberedBlockFailsAtOnceWithoutNak) {
    const std::string bytes = PatternBytes(3000);
    const std::string head = "GetLog 1\n" + test::HeaderBlock("T.LOG", "3000 1 100644 ") +
                             test::DataBlock(kStx, 1, std::string_view(bytes).substr(0, 1024));
    auto damaged = [&](int at, uint8_t number = 2) {
        std::string block =
            test::DataBlock(kStx, number, std::string_view(bytes).substr(1024, 1024));
        block[static_cast<std::size_t>(at)] ^= 0x10;
        return block;
    };
    const struct {
        const char* name;
        std::string wire;
    } cases[] = {
        {"wrong CRC", head + damaged(1027)},
        {"wrong data", head + damaged(500)},
        {"wrong complement", head + damaged(2)},
        {"skips ahead", head + test::DataBlock(kStx, 3, "x")},
        {"goes back", head + test::DataBlock(kStx, 0, "x")},
        {"first block numbered 0", "GetLog 1\n" + test::HeaderBlock("T.LOG", "3000 1 100644 ") +
                                       test::DataBlock(kStx, 0, "x")},
        {"stray byte", head + "\x55"},
        {"short block type", head + test::DataBlock(kSoh, 2, "x")},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer({{c.wire}, AfterHost(kUntilQuiet)});
        TransferLog log;
        EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", log.Call(200)).status,
                  CallStatus::Failed)
            << c.name;
        EXPECT_EQ(log.completions, 0) << c.name;
        // The last good block is acknowledged, then the device is told to give the batch up.
        const std::string answered = peer.Received();
        EXPECT_TRUE(answered.ends_with(Control(kAck) + Control(kCan) + Control(kCan))) << c.name;
        EXPECT_EQ(answered.find(static_cast<char>(kNak)), std::string::npos) << c.name;
    }
}

TEST_F(YmodemReceive, ACancelIsAnsweredWithCan) {
    const std::string bytes = PatternBytes(4000);
    ScriptedPeer peer({{"GetLog 1\n" + DeviceFile("T.LOG", bytes)}, AfterHost(kUntilQuiet)});
    TransferLog log;
    log.abortAfterPercent = 25;  // the report after block 1
    EXPECT_EQ(RunDeviceCommand(peer.Port(), "GetLog 0\n", log.Call()).status,
              CallStatus::Cancelled);
    EXPECT_EQ(log.completions, 0);
    EXPECT_EQ(peer.Received(),
              "GetLog 0\n" + Control(kRequest) + Control(kAck) + Control(kAck) + Control(kCan));
}

TEST_F(YmodemReceive, BlockNumbersWrapFrom255ToZeroInAFileAbove256KiB) {
    SimProcess sim({"--trips", "1", "--fixes", "20000"});
    TransferLog log;
    ASSERT_EQ(RunDeviceCommand(sim.Port(), "GetLog 0\n", log.Call(2000)).status,
              CallStatus::Transferred);
    const sim::StoredFile trip = sim::MakeSyntheticTrip({1, 20000, 1});
    ASSERT_GT(trip.bytes.size(), 256u * 1024u);
    EXPECT_EQ(log.fileName, trip.name);
    EXPECT_TRUE(log.data == std::string(trip.bytes.begin(), trip.bytes.end()));
    EXPECT_EQ(log.percents.back(), 100);  // 320016 bytes in 313 blocks: 313*1024*100/320016
}

TEST_F(YmodemReceive, DeviceSendingShortBlocksIsReadAsShortBlocks) {
    SimProcess sim({"--trips", "1", "--fixes", "100", "--block", "128"});
    TransferLog log;
    ASSERT_EQ(RunDeviceCommand(sim.Port(), "GetLog 0\n", log.Call()).status,
              CallStatus::Transferred);
    const sim::StoredFile trip = sim::MakeSyntheticTrip({1, 100, 1});
    EXPECT_TRUE(log.data == std::string(trip.bytes.begin(), trip.bytes.end()));
    EXPECT_EQ(log.percents.size(), 13u);  // 1616 bytes in 128-byte blocks
}

TEST_F(YmodemReceive, ReadFlashRomStoresEveryFileOfTheBatch) {
    SimProcess sim;
    TransferLog log;
    ASSERT_EQ(
        RunDeviceCommand(sim.Port(), "ReadFlashRom\n", log.Call(300, Folder().c_str())).status,
        CallStatus::Transferred);
    EXPECT_EQ(Entries(folder_), (std::set<std::string>{"flash.bin", "flash.txt"}));
    EXPECT_EQ(ReadFile(folder_ / "flash.bin").size(), 3000u);
    EXPECT_EQ(ReadFile(folder_ / "flash.txt"), "flash.bin 3000\n");
}

struct FaultCase {
    const char* name;
    std::string fault;
    CallStatus result;
};

class YmodemReceiveFault : public YmodemReceive, public testing::WithParamInterface<FaultCase> {};

// Every fault either fails the transfer with nothing handed over, or is survived with the
// exact file: never a damaged file reported as success.
TEST_P(YmodemReceiveFault, FailsOrDeliversTheExactFile) {
    const FaultCase& c = GetParam();
    SimProcess sim({"--trips", "1", "--fixes", "300", "--fault", c.fault});  // 5 blocks
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetLog 0\n", log.Call(300)).status, c.result);
    const sim::StoredFile trip = sim::MakeSyntheticTrip({1, 300, 1});
    if (c.result == kTransferred) {
        EXPECT_EQ(log.completions, 1);
        EXPECT_TRUE(log.data == std::string(trip.bytes.begin(), trip.bytes.end()));
    } else {
        EXPECT_EQ(log.completions, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, YmodemReceiveFault,
    testing::Values(FaultCase{"BadCrc", "bad-crc:2", kFailed},
                    FaultCase{"BadComplement", "bad-complement:3", kFailed},
                    FaultCase{"SkippedBlock", "skip-block:2", kFailed},
                    FaultCase{"RepeatedBlockIsAcknowledgedAgain", "repeat-block:2", kTransferred},
                    FaultCase{"RepeatedLastBlock", "repeat-block:5", kTransferred},
                    FaultCase{"Stall", "stall:2", kFailed},
                    FaultCase{"Cancel", "cancel:2", kFailed},
                    FaultCase{"Garbage", "garbage:4", kFailed},
                    FaultCase{"SizeLarger", "size-larger", kFailed},
                    FaultCase{"SizeSmaller", "size-smaller", kFailed},
                    FaultCase{"SizeNegative", "size-negative", kFailed},
                    FaultCase{"SizeHuge", "size-huge", kFailed},
                    FaultCase{"BrokenEndOfFileHandshake", "broken-eot", kFailed},
                    FaultCase{"EmptyNameIsNoFile", "file-name:", kFailed},
                    FaultCase{"DotDotName", "file-name:..", kFailed}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(YmodemReceive, UnplugFailsTheTransferAndTheNextCallCleanly) {
    SimProcess sim({"--trips", "1", "--fixes", "300", "--fault", "unplug:2"});
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetLog 0\n", log.Call(1000)).status,
              CallStatus::Failed);
    EXPECT_EQ(log.completions, 0);
    EXPECT_EQ(log.percents, (std::vector<int32_t>{21, 42}));  // two blocks, then the line died
    EXPECT_EQ(RunDeviceCommand(sim.Port(), command_line::kIdentify, log.Call(1000)).status,
              CallStatus::Failed);
}

TEST_F(YmodemReceive, NamesFromTheDeviceCannotLeaveTheFolder) {
    const struct {
        const char* name;
        CallStatus result;
        std::set<std::string> stored;
    } cases[] = {
        {"../evil.LOG", kTransferred, {"evil.LOG"}},
        {"/etc/x", kTransferred, {"x"}},
        {"C:\\x", kTransferred, {"x"}},
        {"..\\..\\evil.LOG", kTransferred, {"evil.LOG"}},
        {"..", kFailed, {}},
        {"sub/", kFailed, {}},
        {"", kTransferred, {}},  // an empty name ends the batch: nothing to store
    };
    for (const auto& c : cases) {
        SimProcess sim({"--fault", std::string("file-name:") + c.name + "@GetRecord"});
        TransferLog log;
        EXPECT_EQ(
            RunDeviceCommand(sim.Port(), "GetRecord 0\n", log.Call(300, Folder().c_str())).status,
            c.result)
            << c.name;
        EXPECT_EQ(Entries(folder_), c.stored) << c.name;
        EXPECT_EQ(Entries(root_), std::set<std::string>{"inside"}) << c.name;
        for (const auto& name : c.stored) fs::remove(folder_ / name);
    }
}

TEST_F(YmodemReceive, ToFileFailsWhenTheFileCannotBeCreated) {
    SimProcess sim;
    TransferLog log;
    const std::string missing = (folder_ / "missing").string();
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetRecord 0\n", log.Call(300, missing.c_str())).status,
              CallStatus::Failed);
    EXPECT_EQ(Entries(folder_), std::set<std::string>{});
}

TEST_F(YmodemReceive, AFailedTransferLeavesAnOlderFileOfThatNameUntouched) {
    { std::ofstream(folder_ / "REC0.WAV", std::ios::binary) << "older"; }
    for (const char* fault : {"bad-crc:2@GetRecord", "broken-eot@GetRecord"}) {
        SimProcess sim({"--fault", fault});
        TransferLog log;
        EXPECT_EQ(
            RunDeviceCommand(sim.Port(), "GetRecord 0\n", log.Call(300, Folder().c_str())).status,
            CallStatus::Failed)
            << fault;
        EXPECT_EQ(ReadFile(folder_ / "REC0.WAV"), "older") << fault;
        EXPECT_EQ(Entries(folder_), std::set<std::string>{"REC0.WAV"}) << fault;
    }
    SimProcess sim;
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetRecord 0\n", log.Call(300, Folder().c_str())).status,
              CallStatus::Transferred);
    EXPECT_EQ(ReadFile(folder_ / "REC0.WAV").size(), 2000u);
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"REC0.WAV"});
}

TEST_F(YmodemReceive, EmptySlotIsARefusal) {
    SimProcess sim({"--trips", "1"});
    TransferLog log;
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetLog 5\n", log.Call()).status, CallStatus::Failed);
    EXPECT_EQ(RunDeviceCommand(sim.Port(), "GetLog x\n", log.Call()).status, CallStatus::Failed);
    EXPECT_EQ(log.completions, 0);
}

// index x 1024 x 100 passes 2^31 from about 21 MB on; the percentage must not wrap.
TEST(ReportProgress, PercentOfLargeFilesIsExactAndReportedOnChangeOnly) {
    const struct {
        int64_t index;
        int32_t percent;
    } steps[] = {{10'000, 34}, {10'001, 34}, {20'000, 68}, {29'297, 100}};
    LinkContext context;
    TransferLog log;
    context.progress = &TransferLog::Progress;
    context.progressContext = &log;
    context.header.blockType = kStx;
    context.header.fileSize = 30'000'000;
    std::vector<int32_t> expected;
    for (const auto& step : steps) {
        context.blockCounter.blockNumber = static_cast<uint8_t>(step.index % 256);
        context.blockCounter.wrapBase = static_cast<int32_t>(step.index - step.index % 256);
        ReportProgress(context);
        if (expected.empty() || expected.back() != step.percent) expected.push_back(step.percent);
    }
    EXPECT_EQ(log.percents, expected);
}

}  // namespace
}  // namespace kvd
