#include "cli/option_parser.h"

#include <gtest/gtest.h>

namespace kvd::cli {
namespace {

constexpr OptionSpec kSpecs[] = {
    {"output", 'o', "DIR", ""},
    {"offline", 0, "", ""},
    {"help", 'h', "", ""},
};

TEST(OptionParser, AcceptsTheUsualSpellings) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> output;
        bool offline;
        std::vector<std::string> positionals;
    };
    const Case cases[] = {
        {{"a.LOG", "-o", "dir", "b.LOG"}, "dir", false, {"a.LOG", "b.LOG"}},
        {{"-odir", "a.LOG"}, "dir", false, {"a.LOG"}},
        {{"--output=dir", "--offline", "a.LOG"}, "dir", true, {"a.LOG"}},
        {{"--output", "x", "--output", "dir"}, "dir", false, {}},
        {{"--", "-o", "--offline"}, std::nullopt, false, {"-o", "--offline"}},
        {{"-", "a.LOG"}, std::nullopt, false, {"-", "a.LOG"}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto parsed = ParseOptions(c.args, kSpecs, ParseMode::Everywhere, error);
        ASSERT_TRUE(parsed) << error;
        EXPECT_EQ(parsed->Value("output"), c.output);
        EXPECT_EQ(parsed->Has("offline"), c.offline);
        EXPECT_EQ(parsed->positionals, c.positionals);
    }
}

TEST(OptionParser, RejectsWithTheReason) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"a.LOG", "-o"}, "option -o needs a value (DIR)"},
        {{"--output"}, "option --output needs a value (DIR)"},
        {{"--offline=yes"}, "option --offline takes no value"},
        {{"-hx"}, "option -h takes no value (in -hx)"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseOptions(c.args, kSpecs, ParseMode::Everywhere, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(OptionParser, GlobalOptionsStopAtTheCommandWord) {
    std::string error;
    const std::vector<std::string> args = {"--help", "convert", "--offline", "a.LOG"};
    const auto parsed = ParseOptions(args, kSpecs, ParseMode::StopAtPositional, error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_TRUE(parsed->Has("help"));
    EXPECT_FALSE(parsed->Has("offline"));
    EXPECT_EQ(parsed->positionals, (std::vector<std::string>{"convert", "--offline", "a.LOG"}));
}

}  // namespace
}  // namespace kvd::cli
