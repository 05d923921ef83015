// The identification comes first and alone; only a port that answered, but not as the device,
// is sent the recovery. What reaches the device is read from the virtual device's journal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "devicelink/devicelink.h"
#include "devicelink/ymodem_block.h"
#include "simulator/pseudo_terminal.h"
#include "support/raw_port.h"
#include "support/scripted_peer.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using test::Ms;
using test::RawPort;

// Control bytes as \xNN, so that a failure shows what was on the wire.
std::string Printable(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        if (c >= 0x20 || c == '\n') {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            text += hex;
        }
    }
    return text;
}

// A host that dies without a word: what a killed program leaves the device in.
enum class Left { AtPrompt, InDownload, InUpload };

void LeaveDevice(const std::string& port, Left where) {
    if (where == Left::AtPrompt) return;
    RawPort host(port);
    if (where == Left::InDownload) {
        host.Write(command_line::GetLog(0));
        host.ReadUntil("GetLog 1\n");
        host.Write(std::string(1, static_cast<char>(kRequest)));
        host.Read(kLongBlockLength);  // block 0
        host.Write(std::string(1, static_cast<char>(kAck)) + static_cast<char>(kRequest));
        host.Read(kLongBlockLength);  // block 1, never answered
        return;
    }
    host.Write(command_line::kGpsDataUpdate);
    host.ReadUntil(std::string(1, static_cast<char>(kRequest)));
    uint8_t block[kLongBlockLength] = {};
    FrameHeaderBlock(block, kStx, "gps.FPT", "4096 0 100644 ");
    host.Write(std::string(reinterpret_cast<const char*>(block), sizeof block));
    host.Read(1);  // the go-ahead for data, which never comes
}

struct DeviceCase {
    const char* name;
    const char* lineModel;
    Left left;
    bool recovered;
};

class Recovery : public testing::TestWithParam<DeviceCase> {
  protected:
    void SetUp() override { SetDiagnosticStream(nullptr); }
    void TearDown() override {
        SetDiagnosticStream(stdout);
        fs::remove(journal_);
    }
    fs::path journal_ = fs::temp_directory_path() / ("kvd-recovery-" + std::to_string(::getpid()));
};

TEST_P(Recovery, FindsTheDeviceAndSendsCanOnlyWhenItDidNotAnswerAsItself) {
    const DeviceCase& c = GetParam();
    fs::remove(journal_);
    test::SimProcess sim(
        {"--line", c.lineModel, "--journal", journal_.string(), "--fixes", "3000"});
    LeaveDevice(sim.Port(), c.left);

    const ProbeResult result = ProbeRecovering(sim.Port());
    EXPECT_EQ(result.outcome, ProbeOutcome::Device);
    EXPECT_EQ(result.recovered, c.recovered);
    sim.Stop();
    const std::string wire = test::ReadWholeText(journal_);
    // Whatever came before, the last two lines it served are the identification.
    EXPECT_TRUE(wire.ends_with(std::string(command_line::kIdentify) + command_line::kSetMode))
        << wire;
    if (c.left == Left::AtPrompt) {
        EXPECT_EQ(wire, std::string(command_line::kIdentify) + command_line::kSetMode);
        EXPECT_EQ(wire.find('\x18'), std::string::npos) << "a CAN reached a healthy device";
    } else {
        // The identification's bytes were line noise to the batch. Depending on how fast the
        // device went through its resends, it gave the batch up by itself (and the recovery's
        // CANs ended as a line it refused) or the recovery's CANs ended it.
        const bool givenUp = wire.find("[batch: given up]") != std::string::npos;
        const bool cancelled = wire.find("[batch: host cancelled]") != std::string::npos;
        EXPECT_TRUE(givenUp || cancelled) << Printable(wire);
        if (givenUp) {
            EXPECT_NE(wire.find("\x18\x18\n"), std::string::npos) << Printable(wire);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, Recovery,
    testing::Values(DeviceCase{"AtItsPromptStrict", "strict", Left::AtPrompt, false},
                    DeviceCase{"AtItsPromptLenient", "lenient", Left::AtPrompt, false},
                    DeviceCase{"InsideADownload", "strict", Left::InDownload, true},
                    DeviceCase{"InsideAnUpload", "strict", Left::InUpload, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Recovery, APortThatIsSilentGetsNothingButTheFirstByte) {
    sim::PseudoTerminal silent;
    const ProbeResult result = ProbeRecovering(silent.SlavePath());
    EXPECT_EQ(result.outcome, ProbeOutcome::NotTheDevice);
    EXPECT_FALSE(result.answered);
    EXPECT_FALSE(result.recovered);
}

TEST(Recovery, APortThatTalksOtherwiseIsRecoveredOnceAndStaysNotTheDevice) {
    test::ScriptedPeer other(
        {{"GPS-9000 ready\n> "}, test::AfterHost(test::PeerStep::kUntilQuiet)});
    const ProbeResult result = ProbeRecovering(other.Port());
    EXPECT_EQ(result.outcome, ProbeOutcome::NotTheDevice);
    EXPECT_TRUE(result.answered);
    EXPECT_TRUE(result.recovered);
    const std::string received = other.Received();
    EXPECT_TRUE(received.starts_with(std::string(command_line::kIdentify) + "\x18\x18"))
        << received;
}

// The desktop searches every 100 ms: a port that talks but is not the device must not get the
// recovery at every pass, only again after it was unplugged.
TEST(Recovery, TheDesktopSearchRecoversAPortOncePerPlugIn) {
    SetDiagnosticStream(nullptr);
    auto other = std::make_unique<test::ScriptedPeer>(std::vector<test::PeerStep>{
        {"GPS-9000 ready\n> "}, test::AfterHost(test::PeerStep::kUntilQuiet)});
    const std::string path = fs::temp_directory_path() / ("kvd-plug-" + std::to_string(::getpid()));
    fs::remove(path);
    fs::create_symlink(other->Port(), path);
    ::setenv("KVD2730_PORTS", path.c_str(), 1);

    RecoverOncePerPlugIn search;
    EXPECT_EQ(search.FindDevicePort(), 0);
    const std::string first = other->Received();
    other = std::make_unique<test::ScriptedPeer>(std::vector<test::PeerStep>{
        {"GPS-9000 ready\n> "}, test::AfterHost(test::PeerStep::kUntilQuiet)});
    fs::remove(path);
    fs::create_symlink(other->Port(), path);
    // The same name answers the same way (the link swapped without a pass between): no CAN.
    EXPECT_EQ(search.FindDevicePort(), 0);
    const std::string second = other->Received();

    fs::remove(path);  // unplugged: a pass finds nothing to open
    EXPECT_EQ(search.FindDevicePort(), 0);
    other = std::make_unique<test::ScriptedPeer>(std::vector<test::PeerStep>{
        {"GPS-9000 ready\n> "}, test::AfterHost(test::PeerStep::kUntilQuiet)});
    fs::create_symlink(other->Port(), path);
    EXPECT_EQ(search.FindDevicePort(), 0);
    const std::string replugged = other->Received();
    ::unsetenv("KVD2730_PORTS");
    fs::remove(path);
    SetDiagnosticStream(stdout);

    EXPECT_NE(first.find('\x18'), std::string::npos) << first;
    EXPECT_EQ(second.find('\x18'), std::string::npos) << second;
    EXPECT_NE(replugged.find('\x18'), std::string::npos) << replugged;
}

}  // namespace
}  // namespace kvd
