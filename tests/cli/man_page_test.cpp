// The manual page of kvd2730-cli and its --help say the same: the same commands, and the same
// options, so neither can gain or lose one alone.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "cli_test_support.h"

namespace kvd {
namespace {

using test::Cli;
using test::RunCommand;

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (std::sregex_iterator m(text.begin(), text.end(), pattern), end; m != end; ++m)
        found.insert((*m)[1]);
    return found;
}

TEST(ManPage, AgreesWithTheHelp) {
    const std::string man = test::ReadText(KVD2730_CLI_MAN_PAGE);
    ASSERT_FALSE(man.empty());
    const test::CommandResult help = RunCommand(Cli() + " --help");
    ASSERT_EQ(help.exitCode, 0) << help.output;

    // Commands: the indented words of the help's command list; the man page's entries under
    // COMMANDS, each a .TP followed by the command in bold.
    const std::string list = help.output.substr(help.output.find("Commands:\n"));
    const std::set<std::string> commands =
        Matches(list.substr(0, list.find("\n\n")), std::regex(R"(\n  ([a-z-]+)  )"));
    ASSERT_GE(commands.size(), 5u) << help.output;
    std::string manCommands = man.substr(man.find(".SH COMMANDS"));
    manCommands = manCommands.substr(0, manCommands.find("\n.SH ", 1));
    std::string unescaped = std::regex_replace(manCommands, std::regex(R"(\\-)"), "-");
    EXPECT_EQ(Matches(unescaped, std::regex(R"(\n\.TP\n\.BI? "?([a-z][a-z-]*))")), commands);

    // Options: every long option any help text shows, against every one the page names.
    std::string allHelp = help.output;
    for (const std::string& command : commands) {
        const test::CommandResult run = RunCommand(Cli() + " " + command + " --help");
        ASSERT_EQ(run.exitCode, 0) << command << "\n" << run.output;
        allHelp += run.output;
    }
    const std::regex longOption(R"((--[a-z][a-z-]*))");
    const std::string manText = std::regex_replace(man, std::regex(R"(\\-)"), "-");
    EXPECT_EQ(Matches(manText, longOption), Matches(allHelp, longOption));
}

}  // namespace
}  // namespace kvd
