// How kvd2730-sim reads command lines in each line model: the bytes that come back and the
// journal it keeps, over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/raw_port.h"
#include "support/sim_process.h"
#include "test_support.h"

namespace kvd {
namespace {

using test::Ms;

struct HostStep {
    std::string bytes;
    Ms pauseBefore{0};
    bool reopenBefore = false;  // another open of the port, as by the next program
};

struct LineCase {
    const char* name;
    const char* model;  // nullptr: the default
    std::vector<HostStep> host;
    std::string back;  // everything the device sends
    std::string journal;
};

const Ms kPause(300);  // well past the lenient model's 100 ms

const LineCase kLineCases[] = {
    {"StrictStrayCans",
     "strict",
     {{"\x18\x18"
       "Echo KVD-2730\n"}},
     "\x18\x18"
     "Echo KVD-2730\nUnknown command\n> ",
     "\x18\x18"
     "Echo KVD-2730\n"},
    {"StrictLoneLineFeed", "strict", {{"\n"}}, "\nUnknown command\n> ", "\n"},
    {"StrictPausedLine",
     "strict",
     {{"Ech"}, {"o KVD-2730\n", kPause}},
     "Echo KVD-2730\nKVD-2730\n> ",
     "Echo KVD-2730\n"},
    {"StrictLineAcrossOpens",
     "strict",
     {{"Ech"}, {"o KVD-2730\n", kPause, true}},
     "Echo KVD-2730\nKVD-2730\n> ",
     "Echo KVD-2730\n"},
    {"StrictPlain",
     "strict",
     {{"Echo KVD-2730\n"}},
     "Echo KVD-2730\nKVD-2730\n> ",
     "Echo KVD-2730\n"},
    {"StrictCansLeftOpen", "strict", {{"\x18\x18"}}, "\x18\x18", "[unfinished line 18 18]\n"},
    {"DefaultIsStrict",
     nullptr,
     {{"\x18\x18"
       "Echo KVD-2730\n"}},
     "\x18\x18"
     "Echo KVD-2730\nUnknown command\n> ",
     "\x18\x18"
     "Echo KVD-2730\n"},

    {"LenientStrayCans",
     "lenient",
     {{"\x18\x18"
       "Echo KVD-2730\n"}},
     "Echo KVD-2730\nKVD-2730\n> ",
     "[dropped 18 18]\nEcho KVD-2730\n"},
    {"LenientLoneLineFeed", "lenient", {{"\n"}}, "\nUnknown command\n> ", "\n"},
    {"LenientPausedLine",
     "lenient",
     {{"Ech"}, {"o KVD-2730\n", kPause}},
     "Echo KVD-2730\nUnknown command\n> ",
     "[dropped partial line 45 63 68]\no KVD-2730\n"},
    {"LenientLineAcrossOpens",
     "lenient",
     {{"Ech"}, {"o KVD-2730\n", kPause, true}},
     "Echo KVD-2730\nUnknown command\n> ",
     "[dropped partial line 45 63 68]\no KVD-2730\n"},
    {"LenientPlain",
     "lenient",
     {{"Echo KVD-2730\n"}},
     "Echo KVD-2730\nKVD-2730\n> ",
     "Echo KVD-2730\n"},
    {"LenientCansLeftOpen", "lenient", {{"\x18\x18"}}, "", "[dropped 18 18]\n"},
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class LineModel : public testing::TestWithParam<LineCase> {};

TEST_P(LineModel, EchoesRepliesAndJournals) {
    const LineCase& c = GetParam();
    test::TempDir dir;
    const auto journal = dir.path() / "journal";
    std::vector<std::string> args{"--journal", journal.string()};
    if (c.model) args.insert(args.end(), {"--line", c.model});
    test::SimProcess sim(args);
    std::string back;
    {
        test::RawPort port(sim.Port());
        for (const HostStep& step : c.host) {
            std::this_thread::sleep_for(step.pauseBefore);
            if (step.reopenBefore) {
                back += port.ReadUntilQuiet(Ms(100));
                port.Reopen();
            }
            port.Write(step.bytes);
        }
        if (c.back.ends_with("> ")) back += port.ReadUntil("> ");
        back += port.ReadUntilQuiet(Ms(200));  // and nothing after it
    }
    EXPECT_EQ(back, c.back);
    // Stopped first: an open line is journaled when the device stops.
    sim.Stop();
    EXPECT_EQ(test::ReadWholeText(journal), c.journal);
}

INSTANTIATE_TEST_SUITE_P(VirtualDevice, LineModel, testing::ValuesIn(kLineCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kvd
