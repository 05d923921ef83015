// What kvd2730-sim does with the host's bytes inside a YMODEM batch, in both line models: the
// host's cancel, garbled answers to a block it sends, and line noise where a block of an
// upload should start. Afterwards the device must answer a command again.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "devicelink/ymodem_block.h"
#include "support/raw_port.h"
#include "support/sim_process.h"
#include "test_support.h"

namespace kvd {
namespace {

using test::Ms;

const std::string kEcho = "Echo KVD-2730\n";
const std::string kEchoReply = "Echo KVD-2730\nKVD-2730\n> ";
const char* const kModels[] = {"strict", "lenient"};

std::string Bytes(uint8_t byte, std::size_t count = 1) {
    return std::string(count, static_cast<char>(byte));
}

std::string Repeat(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

bool IsBlock(const std::string& block, uint8_t number) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(block.data());
    return block.size() == kLongBlockLength && bytes[0] == kStx && bytes[1] == number &&
           BlockComplementMatches(bytes) && BlockCrcMatches(bytes);
}

struct HostStep {
    std::string bytes;
    Ms pauseBefore{0};
};

struct DownloadCase {
    const char* name;
    std::vector<HostStep> afterBlock1;  // the host's answer to data block 1, and what follows
    int resends;                        // times the device sends block 1 again
    std::string journal;                // between "GetLog 0" and the final Echo
};

const std::string kSent45 = "[batch: host sent 45]\n";

const DownloadCase kDownloadCases[] = {
    {"CanCan", {{Bytes(kCan, 2)}, {kEcho}}, 0, "[batch: host cancelled]\n"},
    // The byte after a lone CAN starts the next command and must not be lost.
    {"CanThenCommand", {{Bytes(kCan)}, {kEcho, Ms(20)}}, 0, "[batch: host cancelled]\n"},
    {"GarbledAnswer",
     {{"\x45"}, {Bytes(kCan, 2), Ms(50)}, {kEcho}},
     1,
     kSent45 + "[batch: host cancelled]\n"},
    {"GarbledPastTheResendLimit",
     {{Repeat("\x45", 11)}, {kEcho}},
     10,
     Repeat(kSent45, 11) + "[batch: given up]\n"},
};

void PrintTo(const DownloadCase& c, std::ostream* out) { *out << c.name; }

class DownloadAnswer : public testing::TestWithParam<std::tuple<const char*, DownloadCase>> {};

TEST_P(DownloadAnswer, StopsOrResendsAndServesTheNextCommand) {
    const auto& [model, c] = GetParam();
    test::TempDir dir;
    const auto journal = dir.path() / "journal";
    test::SimProcess sim(
        {"--trips", "1", "--fixes", "200", "--line", model, "--journal", journal.string()});
    test::RawPort port(sim.Port());

    port.Write("SetMode 1\n");
    ASSERT_EQ(port.ReadUntil("> "), "SetMode 1\nSetMode 0\n> ");
    port.Write("GetLog 0\n");
    ASSERT_EQ(port.ReadUntil("GetLog 1\n"), "GetLog 0\nGetLog 1\n");
    port.Write(Bytes(kRequest));
    ASSERT_TRUE(IsBlock(port.Read(kLongBlockLength), 0));
    port.Write(Bytes(kAck));
    const std::string block1 = port.Read(kLongBlockLength);
    ASSERT_TRUE(IsBlock(block1, 1));

    for (const HostStep& step : c.afterBlock1) {
        std::this_thread::sleep_for(step.pauseBefore);
        port.Write(step.bytes);
    }
    const std::size_t resent = kLongBlockLength * static_cast<std::size_t>(c.resends);
    EXPECT_EQ(port.Read(resent), Repeat(block1, c.resends));
    EXPECT_EQ(port.ReadUntil("> "), kEchoReply);  // no status line, no prompt of the batch
    EXPECT_EQ(port.ReadUntilQuiet(Ms(200)), "");

    sim.Stop();
    EXPECT_EQ(test::ReadWholeText(journal), "SetMode 1\nGetLog 0\n" + c.journal + kEcho);
}

INSTANTIATE_TEST_SUITE_P(VirtualDevice, DownloadAnswer,
                         testing::Combine(testing::ValuesIn(kModels),
                                          testing::ValuesIn(kDownloadCases)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param)) + "_" +
                                    std::get<1>(row.param).name;
                         });

// An upload as the host plays it: what it sends and what the device must answer.
struct Exchange {
    std::string send;
    std::string expect;
};

struct UploadCase {
    std::string name;
    std::vector<Exchange> script;
    std::string journal;  // after "UpdateGpsDataX"
    bool stored;          // the file arrived whole
};

std::string Framed(uint8_t type, uint8_t number, const std::string& data) {
    std::array<uint8_t, kLongBlockLength> block{};
    std::copy(data.begin(), data.end(), block.begin() + kBlockHead);
    std::fill(block.begin() + kBlockHead + static_cast<std::ptrdiff_t>(data.size()),
              block.begin() + static_cast<std::ptrdiff_t>(kBlockHead + BlockDataLength(type)),
              kSub);
    FrameBlock(block.data(), type, number);
    return {block.begin(), block.begin() + static_cast<std::ptrdiff_t>(BlockLength(type))};
}

std::string Header(const std::string& name, const std::string& fields) {
    std::array<uint8_t, kLongBlockLength> block{};
    FrameHeaderBlock(block.data(), kStx, name, fields);
    return {block.begin(), block.end()};
}

const std::string kContent(100, 'g');

std::vector<UploadCase> UploadCases() {
    const Exchange start{"UpdateGpsDataX\n", "UpdateGpsDataX\nUpdateGpsDataX 1\nC"};
    const Exchange header{Header("gps.dat", "100 0 100644 "), Bytes(kAck)};
    const Exchange stray{"\x45", Bytes(kNak)};
    const Exchange echo{kEcho, kEchoReply};
    return {
        {"StrayBytesAtBlockStartsAreNaked",
         {start,
          stray,
          header,
          stray,
          {Framed(kSoh, 1, kContent), Bytes(kAck)},
          {Bytes(kEot), Bytes(kNak)},
          {Bytes(kEot), Bytes(kAck) + "C"},
          {Header("", ""), Bytes(kAck) + "UpdateGpsDataX 0\n> "},
          echo},
         kSent45 + kSent45 + kEcho,
         true},
        {"TenStrayBytesGiveTheBatchUp",
         {start, {Repeat("\x45", 10), Bytes(kNak, 10)}, echo},
         Repeat(kSent45, 10) + "[batch: given up]\n" + kEcho,
         false},
        {"CanCanAtABlockStart",
         {start, header, {Bytes(kCan, 2), ""}, echo},
         "[batch: host cancelled]\n" + kEcho,
         false},
    };
}

void PrintTo(const UploadCase& c, std::ostream* out) { *out << c.name; }

class UploadLineNoise : public testing::TestWithParam<std::tuple<const char*, UploadCase>> {};

TEST_P(UploadLineNoise, AnswersAsTheDeviceDoes) {
    const auto& [model, c] = GetParam();
    test::TempDir dir;
    const auto journal = dir.path() / "journal";
    const auto store = dir.path() / "store";
    std::filesystem::create_directory(store);
    test::SimProcess sim(
        {"--line", model, "--journal", journal.string(), "--store", store.string()});
    test::RawPort port(sim.Port());
    for (std::size_t i = 0; i < c.script.size(); ++i) {
        port.Write(c.script[i].send);
        EXPECT_EQ(port.Read(c.script[i].expect.size()), c.script[i].expect) << "exchange " << i;
    }
    EXPECT_EQ(port.ReadUntilQuiet(Ms(200)), "");

    sim.Stop();
    EXPECT_EQ(test::ReadWholeText(journal), "UpdateGpsDataX\n" + c.journal);
    if (c.stored) {
        EXPECT_EQ(test::ReadWholeText(store / "gps.dat"), kContent);
    } else {
        EXPECT_TRUE(std::filesystem::is_empty(store));
    }
}

INSTANTIATE_TEST_SUITE_P(VirtualDevice, UploadLineNoise,
                         testing::Combine(testing::ValuesIn(kModels),
                                          testing::ValuesIn(UploadCases())),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param)) + "_" +
                                    std::get<1>(row.param).name;
                         });

}  // namespace
}  // namespace kvd
