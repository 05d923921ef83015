// The command line as a user types it: where options may stand, what a mistake says and
// exits with, the help texts, and output that cannot be written.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/text_columns.h"
#include "cli_test_support.h"
#include "gpslog/log_format.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

using test::Cli;
using test::Quote;
using test::RunCommand;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CliUsage, EveryMistakeExitsTwoWithItsReasonFirst) {
    struct Case {
        const char* args;
        const char* firstLine;
    };
    const Case cases[] = {
        {"list --timeout abc",
         "kvd2730-cli list: --timeout takes milliseconds from 1 to 600000 (not 'abc')"},
        {"--timeout 0 list",
         "kvd2730-cli list: --timeout takes milliseconds from 1 to 600000 (not '0')"},
        {"get 0 --timeout=-5",
         "kvd2730-cli get: --timeout takes milliseconds from 1 to 600000 (not '-5')"},
        {"list --timeout 600001",
         "kvd2730-cli list: --timeout takes milliseconds from 1 to 600000 (not '600001')"},
        {"list --timeout 99999999999999999999",
         "kvd2730-cli list: --timeout takes milliseconds from 1 to 600000 (not "
         "'99999999999999999999')"},
        {"convert a.LOG --timeout 0",
         "kvd2730-cli convert: --timeout takes milliseconds from 1 to 600000 (not '0')"},
        {"list --port ''", "kvd2730-cli list: --port needs the path of a port"},
        {"--port= delete 0", "kvd2730-cli delete: --port needs the path of a port"},
        {"--simulate list --port /dev/null",
         "kvd2730-cli list: --simulate and --port cannot be used together"},
        {"get 0 --port /dev/null --simulate",
         "kvd2730-cli get: --simulate and --port cannot be used together"},
        {"ports extra", "kvd2730-cli ports: takes no arguments"},
        {"list extra --port /dev/null", "kvd2730-cli list: takes no arguments"},
        {"list --bogus", "kvd2730-cli list: unknown option --bogus"},
        {"get 0 -x", "kvd2730-cli get: unknown option -x"},
        {"list --timeout", "kvd2730-cli list: option --timeout needs a value (MS)"},
        {"--bogus list", "kvd2730-cli: unknown option --bogus"},
        // An empty folder is no folder, wherever -o is taken.
        {"get 0 -o ''", "kvd2730-cli get: --output needs the path of a folder"},
        {"convert a.LOG --output=", "kvd2730-cli convert: --output needs the path of a folder"},
        {"list -o '' --port /dev/null", "kvd2730-cli list: --output needs the path of a folder"},
    };
    for (const Case& c : cases) {
        const test::CommandResult run = RunCommand(Cli() + " " + c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args << "\n" << run.output;
        EXPECT_EQ(Lines(run.output).front(), c.firstLine) << c.args;
    }
}

TEST(CliUsage, GlobalOptionsWorkAfterTheCommand) {
    test::SimProcess sim({"--trips", "2", "--fixes", "3"});
    const test::CommandResult listed =
        RunCommand(Cli() + " list --port " + Quote(sim.Port()) + " -v --timeout 5000");
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_NE(listed.output.find("GetLogList 0 "), std::string::npos) << listed.output;  // -v

    test::TempDir dir;
    const test::CommandResult got = RunCommand(Cli() + " get 1 -o " + Quote(dir.str()) +
                                               " --offline --port=" + Quote(sim.Port()));
    ASSERT_EQ(got.exitCode, 0) << got.output;
    EXPECT_EQ(test::FilesIn(dir.path()).size(), 1u) << got.output;

    // A help request after the command is that command's help, wherever it stands.
    const test::CommandResult help = RunCommand(Cli() + " get 0 --port /dev/null --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(Lines(help.output).front(), "Usage: kvd2730-cli get (SLOT... | --all) [OPTIONS]");
}

// Where the help text of each row starts, for the rows that follow heading up to a blank line.
std::vector<std::size_t> HelpColumns(const std::string& text, const std::string& heading) {
    std::vector<std::size_t> columns;
    const std::vector<std::string> lines = Lines(text);
    auto line = std::find(lines.begin(), lines.end(), heading);
    if (line == lines.end()) return columns;
    for (++line; line != lines.end() && !line->empty(); ++line) {
        // The help starts after the first run of two or more spaces past the name.
        const std::size_t gap = line->find("  ", line->find_first_not_of(' '));
        columns.push_back(line->find_first_not_of(' ', gap));
    }
    return columns;
}

TEST(CliUsage, HelpTextsAreAlignedAndComplete) {
    const test::CommandResult main = RunCommand(Cli() + " --help");
    ASSERT_EQ(main.exitCode, 0);
    for (const char* heading : {"Commands:", "Options, before or after the command:"}) {
        const std::vector<std::size_t> columns = HelpColumns(main.output, heading);
        ASSERT_GE(columns.size(), 5u) << heading << "\n" << main.output;
        EXPECT_EQ(std::count(columns.begin(), columns.end(), columns.front()),
                  static_cast<std::ptrdiff_t>(columns.size()))
            << heading << "\n"
            << main.output;
    }
    for (const char* status : {"  0  done", "  1  ", "  2  wrong options", "  3  some of"})
        EXPECT_NE(main.output.find(status), std::string::npos) << main.output;

    for (const char* command :
         {"ports", "list", "get", "delete", "update-gps", "update-voice", "convert"}) {
        const test::CommandResult help = RunCommand(Cli() + " " + command + " --help");
        ASSERT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.output.find("  [OPTIONS]"), std::string::npos) << help.output;
        for (const char* global : {"--port PATH", "--timeout MS", "--verbose", "--offline"})
            EXPECT_NE(help.output.find(global), std::string::npos) << command << ": " << global;
        std::vector<std::size_t> columns = HelpColumns(help.output, "Options:");
        const std::vector<std::size_t> globals = HelpColumns(help.output, "Global options:");
        columns.insert(columns.end(), globals.begin(), globals.end());
        EXPECT_EQ(std::count(columns.begin(), columns.end(), columns.front()),
                  static_cast<std::ptrdiff_t>(columns.size()))
            << help.output;
    }
}

TEST(CliOutput, AFailedWriteToStandardOutputIsAFailure) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "a.LOG", MakeSyntheticTrip(1, 5, 1));
    const std::string lines[] = {
        Cli() + " --simulate list --json",
        Cli() + " --help",
        Cli() + " convert " + Quote((dir.path() / "a.LOG").string()) + " -o " + Quote(dir.str()),
        Cli() + " --offline convert " + Quote((dir.path() / "a.LOG").string()) + " -o -",
        Cli() + " --simulate --offline get 0 -o -",
    };
    for (const std::string& line : lines) {
        const test::CommandResult run = RunCommand("{ " + line + " >/dev/full; }");
        EXPECT_EQ(run.exitCode, 1) << line << "\n" << run.output;
        EXPECT_NE(run.output.find("kvd2730-cli: cannot write to standard output"),
                  std::string::npos)
            << line << "\n"
            << run.output;
    }
}

TEST(TextColumns, CountsTerminalColumns) {
    struct Case {
        const char* text;
        std::size_t width;
    };
    const Case cases[] = {
        {"0601.LOG", 8},
        {"日本語.LOG", 10},  // wide ideographs
        {"ﾄﾞﾗｲﾌﾞ.LOG", 10},  // half-width katakana stay narrow
        {"ｄｒｉｖｅ", 10},  // full-width Latin
        {"Cafe\u0301", 4},   // a combining accent takes no column
        {"が", 2},           // a precomposed kana
        {"か\u3099", 2},     // the same with a combining voiced mark
        {"\xff\xfe", 2},     // broken bytes show as one replacement each
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(cli::DisplayWidth(c.text), c.width) << c.text;
    EXPECT_EQ(cli::PadToWidth("日本", 6), "日本  ");
    EXPECT_EQ(cli::PadToWidth("longer", 3), "longer");
}

TEST(CliDevice, ListColumnsStayAlignedWithJapaneseNames) {
    test::TempDir dir;
    const std::vector<uint8_t> log = MakeSyntheticTrip(1, 3, 1);
    test::WriteBytes(dir.path() / "ドライブ日本.LOG", log);
    test::WriteBytes(dir.path() / "0601.LOG", log);
    test::SimProcess sim({"--log", "0=" + (dir.path() / "ドライブ日本.LOG").string(), "--log",
                          "1=" + (dir.path() / "0601.LOG").string()});
    const test::CommandResult run =
        RunCommand("{ " + Cli() + " list --port " + Quote(sim.Port()) + " 2>/dev/null; }");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_GE(lines.size(), 2u) << run.output;
    EXPECT_EQ(cli::DisplayWidth(lines[0]), cli::DisplayWidth(lines[1])) << run.output;
    EXPECT_EQ(cli::DisplayWidth(lines[0].substr(0, lines[0].find(" 64 bytes"))),
              cli::DisplayWidth(lines[1].substr(0, lines[1].find(" 64 bytes"))))
        << run.output;
}

}  // namespace
}  // namespace kvd
