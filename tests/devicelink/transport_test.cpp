// The byte-level operations over a real pseudo-terminal against a scripted peer.
#include "devicelink/transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "support/scripted_peer.h"

namespace kvd {
namespace {

using namespace std::chrono_literals;
using test::PeerEcho;
using test::ScriptedPeer;

// Opens the peer's port and sends a command line, so the peer starts its script.
struct OpenLink {
    LinkContext context;
    explicit OpenLink(const ScriptedPeer& peer, int32_t timeoutMs = 300,
                      const std::string& line = "X\n") {
        context.portName = peer.Port();
        EXPECT_TRUE(OpenSerialPort(context, timeoutMs));
        std::memcpy(context.sendBuf.data(), line.data(), line.size());
        context.sendCount = static_cast<uint32_t>(line.size());
    }
    ~OpenLink() { CloseSerialPort(context); }
};

struct ScannedLine {
    std::string bytes;
    bool prompt;
};

struct ScannerCase {
    const char* name;
    std::string reply;
    std::vector<ScannedLine> lines;
};

class LineScanner : public testing::TestWithParam<ScannerCase> {};

TEST_P(LineScanner, SplitsRepliesIntoLinesAndPrompts) {
    const ScannerCase& c = GetParam();
    ScriptedPeer peer({{c.reply}});
    OpenLink link(peer);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    for (const ScannedLine& expected : c.lines) {
        ASSERT_TRUE(ReadReplyLine(link.context));
        EXPECT_EQ(ReceivedText(link.context), expected.bytes);
        EXPECT_EQ(link.context.recvCount, expected.bytes.size());
        EXPECT_EQ(link.context.recvBuf[link.context.recvCount], 0);
        EXPECT_EQ(IsPromptLine(link.context), expected.prompt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineScanner,
    testing::Values(
        ScannerCase{"PromptAfterSpaceEndsLine", "a > b\n", {{"a > ", true}, {"b\n", false}}},
        ScannerCase{"GtBeforeLineFeedDoesNotEnd", ">\nxy\n", {{">\nxy\n", false}}},
        ScannerCase{"GtGtSpaceIsNotAPrompt", ">> x> ", {{">> x> ", true}}},
        ScannerCase{
            "NulStaysInLine", std::string("a\0b\n", 4), {{std::string("a\0b\n", 4), false}}},
        ScannerCase{"LoneLineFeed", "\n> ", {{"\n", false}, {"> ", true}}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SendCommandEchoed, AcceptsAnEchoOfAnotherByte) {
    ScriptedPeer peer({{"> "}}, PeerEcho::Different);
    OpenLink link(peer, 300, command_line::kSetMode);
    EXPECT_TRUE(SendCommandEchoed(link.context));
    EXPECT_EQ(peer.Received(), command_line::kSetMode);
}

TEST(SendCommandEchoed, FailsAtTheFirstByteWithoutEcho) {
    ScriptedPeer peer({}, PeerEcho::None);
    OpenLink link(peer, 100, command_line::kSetMode);
    EXPECT_FALSE(SendCommandEchoed(link.context));
    CloseSerialPort(link.context);
    EXPECT_EQ(peer.Received(), "S");
}

TEST(ReadExact, FailsWhenTheBlockStopsAfterOneByte) {
    ScriptedPeer peer({{"\x02"}});
    OpenLink link(peer, 100);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    link.context.recvCount = 1029;
    EXPECT_FALSE(ReadExact(link.context));
}

TEST(ReadExact, ReadsAWholeBlock) {
    std::string block(1029, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i);
    ScriptedPeer peer({{block}});
    OpenLink link(peer);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    link.context.recvCount = 1029;
    ASSERT_TRUE(ReadExact(link.context));
    EXPECT_EQ(std::memcmp(link.context.recvBuf.data(), block.data(), block.size()), 0);
    EXPECT_EQ(link.context.recvBuf[1029], 0);
}

TEST(ReadReplyLine, RefusesALineLongerThanTheBuffer) {
    ScriptedPeer peer({{std::string(3000, 'x') + "\n"}});
    OpenLink link(peer);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    EXPECT_FALSE(ReadReplyLine(link.context));
    EXPECT_EQ(link.context.recvBuf[kMaxLineLength], 0);
}

TEST(ReadReplyLine, AcceptsTheLongestLineThatFits) {
    const std::string line = std::string(kMaxLineLength - 1, 'y') + "\n";
    ScriptedPeer peer({{line}});
    OpenLink link(peer);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    ASSERT_TRUE(ReadReplyLine(link.context));
    EXPECT_EQ(ReceivedText(link.context), line);
}

TEST(ReadReplyLine, TimeOutIsPerByteSoASlowSteadyDeviceSucceeds) {
    // 12 bytes 40 ms apart take about 0.5 s, far more than the 150 ms time-out.
    ScriptedPeer peer({{"slow reply\n", 40ms}});
    OpenLink link(peer, 150);
    ASSERT_TRUE(SendCommandEchoed(link.context));
    ASSERT_TRUE(ReadReplyLine(link.context));
    EXPECT_EQ(ReceivedText(link.context), "slow reply\n");
}

TEST(OpenSerialPort, SecondOpenOfAnOpenPortFailsAtOnce) {
    ScriptedPeer peer({});
    OpenLink first(peer);
    LinkContext second;
    second.portName = peer.Port();
    EXPECT_FALSE(OpenSerialPort(second, 1000));
    EXPECT_EQ(LastPortOpenError(), PortOpenError::Busy);  // refused by the lock, not timed out
}

TEST(OpenSerialPort, ReportsAMissingPort) {
    LinkContext context;
    context.portName = "/dev/kvd2730-no-such-port";
    EXPECT_FALSE(OpenSerialPort(context, 100));
    EXPECT_EQ(LastPortOpenError(), PortOpenError::NotFound);
}

TEST(OpenSerialPort, RefusesAFileThatIsNoSerialPort) {
    LinkContext context;
    context.portName = "/dev/null";
    EXPECT_FALSE(OpenSerialPort(context, 100));
    EXPECT_EQ(LastPortOpenError(), PortOpenError::NotASerialPort);
}

}  // namespace
}  // namespace kvd
