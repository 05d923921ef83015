// One entry of the device's list reply, and text conversion of device names.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "common/utf8.h"
#include "devicelink/ansi_text.h"
#include "devicelink/devicelink.h"

namespace kvd {
namespace {

struct EntryCase {
    std::string text;
    int32_t result;
    std::optional<std::string> name;
    int32_t size;
};

TEST(ParseListEntry, ReadsNameAndSize) {
    const EntryCase cases[] = {
        {"\"abc.LOG\",1234 ", 1, "abc.LOG", 1234},
        {"\"my log 1.LOG\",77 ", 1, "my log 1.LOG", 77},
        {"abc.LOG,1234 ", 1, "abc.LOG", 1234},
        {"\"a,b\",12 ", 1, "b", 12},               // the comma inside quotes cuts the name
        {"\"abc.LOG\",1234\n", 0, "abc.LOG", -1},  // no space closes the size
        {"\"abc.LOG\",1234", 0, "abc.LOG", -1},
        {"abc def ghi,5 ", 1, "abc def ghi", 5},  // without a comma the name runs on
        {"\"x\",  42 ", 1, "x", 0},               // the first space ends the size
        {"\"x\",\" 42\" ", 1, "x", 42},           // blanks inside quotes are skipped as atoi does
        {"\"x\",-7 ", 1, "x", -7},
        {"\"x\",abc ", 1, "x", 0},
        {"\"x\",99999999999 ", 1, "x", 2147483647},
        {"\"x\"", 0, std::nullopt, -1},
        {"", 0, std::nullopt, -1},
        {",5 ", 1, "", 5},
#ifdef _WIN32
        // 日本.LOG from a Japanese Windows device list: code page 932 in, UTF-8 out.
        {"\"\x93\xfa\x96\x7b.LOG\",16 ", 1, "\xe6\x97\xa5\xe6\x9c\xac.LOG", 16},
#else
        {"\"\xe6\x97\xa5\xe6\x9c\xac.LOG\",16 ", 1, "\xe6\x97\xa5\xe6\x9c\xac.LOG", 16},
#endif
    };
    for (const EntryCase& c : cases) {
        ListEntry entry;
        EXPECT_EQ(ParseListEntry(c.text, entry), c.result) << c.text;
        EXPECT_EQ(entry.name, c.name) << c.text;
        EXPECT_EQ(entry.size, c.size) << c.text;
    }
}

TEST(ParseListEntry, CutsAnOverlongNameToTheWordLimit) {
    ListEntry entry;
    EXPECT_EQ(ParseListEntry(std::string(400, 'n') + ",3 ", entry), 1);
    EXPECT_EQ(entry.name->size(), 259u);
}

#ifdef _WIN32
// Run with a Japanese user locale (LC_ALL=ja_JP.UTF-8 under Wine): the ANSI code page is 932.
TEST(AnsiToWide, ConvertsTheAnsiCodePageBothWays) {
    ASSERT_EQ(::GetACP(), 932u) << "the test needs the Japanese code page";
    EXPECT_EQ(AnsiToWide(""), std::u16string());
    EXPECT_EQ(AnsiToWide("abc"), u"abc");
    EXPECT_EQ(AnsiToWide("\x8c\x6f\x98\x48"), u"経路");
    EXPECT_EQ(AnsiToWide("\x95\x5c.LOG"), u"表.LOG");  // a trail byte that looks like '\\'
    EXPECT_EQ(AnsiToUtf8("\x93\xfa\x96\x7b"), "\xe6\x97\xa5\xe6\x9c\xac");
    EXPECT_EQ(Utf8ToAnsi("\xe8\xa1\xa8.FPT"), "\x95\x5c.FPT");
    EXPECT_EQ(Utf8ToAnsi("gps.FPT"), "gps.FPT");
}
#else
TEST(AnsiToWide, ConvertsUtf8AndReplacesBrokenBytes) {
    EXPECT_EQ(AnsiToWide(""), std::u16string());
    EXPECT_EQ(AnsiToWide("abc"), u"abc");
    EXPECT_EQ(AnsiToWide("\xe7\xb5\x8c\xe8\xb7\xaf"), u"経路");
    EXPECT_EQ(AnsiToWide("\xf0\x9f\x9a\x97"), u"\U0001F697");
    EXPECT_EQ(AnsiToWide("a\xff"
                         "b"),
              u"a\uFFFDb");
    EXPECT_EQ(AnsiToWide("\xc0\xaf"), u"\uFFFD\uFFFD");  // an overlong slash is not a slash
    EXPECT_EQ(AnsiToWide("\xe7\xb5"), u"\uFFFD\uFFFD");  // cut short
    EXPECT_EQ(Utf16ToUtf8(u"経路\U0001F697"), "\xe7\xb5\x8c\xe8\xb7\xaf\xf0\x9f\x9a\x97");
}
#endif

}  // namespace
}  // namespace kvd
