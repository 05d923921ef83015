// The settings file: the profile format read and written in each encoding it comes in.
#include <gtest/gtest.h>

#include "scoped_config_home.h"
#include "shell/shell.h"
#include "test_support.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Utf16Le(std::string_view utf8) {
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    for (const char16_t unit : Utf8ToUtf16(utf8)) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

// Another program's section, a comment and a second key around ours.
constexpr std::string_view kBefore =
    "; kept as it is\r\n[Other]\r\nGPS=not "
    "ours\r\n\r\n[KVD2730]\r\nWindow=3\r\nGPS=C:\\old\r\n\r\n[Last]\r\nx=1";
constexpr std::string_view kAfter =
    "; kept as it is\r\n[Other]\r\nGPS=not "
    "ours\r\n\r\n[KVD2730]\r\nWindow=3\r\nGPS=%s\r\n\r\n[Last]\r\nx=1";

std::string After(std::string_view value) {
    std::string text(kAfter);
    text.replace(text.find("%s"), 2, value);
    return text;
}

struct EncodingCase {
    const char* name;
    ProfileEncoding encoding;
    std::vector<uint8_t> (*encode)(std::string_view);
};

std::vector<uint8_t> AsUtf16(std::string_view text) { return Utf16Le(text); }
std::vector<uint8_t> AsUtf8Bom(std::string_view text) {
    return Bytes("\xEF\xBB\xBF" + std::string(text));
}
std::vector<uint8_t> AsUtf8(std::string_view text) { return Bytes(text); }

TEST(ProfileText, RoundTripsKeepEverythingElseInEachEncoding) {
    const EncodingCase cases[] = {
        {"UTF-16LE", ProfileEncoding::Utf16LeBom, AsUtf16},
        {"UTF-8 with BOM", ProfileEncoding::Utf8Bom, AsUtf8Bom},
        {"UTF-8", ProfileEncoding::Utf8, AsUtf8},
    };
    for (const EncodingCase& c : cases) {
        for (const std::string value : {"D:\\logs", "/home/ゆき/ログ 2026", ""}) {
            ProfileText profile = ProfileText::Decode(c.encode(kBefore));
            EXPECT_EQ(profile.Encoding(), c.encoding) << c.name;
            EXPECT_EQ(profile.Get("KVD2730", "GPS"), "C:\\old") << c.name;
            profile.Set("KVD2730", "GPS", value);
            EXPECT_EQ(profile.Encode(), c.encode(After(value))) << c.name << " " << value;
            EXPECT_EQ(ProfileText::Decode(profile.Encode()).Get("KVD2730", "GPS"), value) << c.name;
        }
    }
}

TEST(ProfileText, CodePageFileKeepsItsBytesUnlessTheValueDoesNotFit) {
    // "é" as one Latin-1 byte: not UTF-8, so the file is in the 8-bit code page.
    const std::string before = "[Other]\r\nname=Caf\xE9\r\n[KVD2730]\r\nGPS=x\r\n";
    ProfileText profile = ProfileText::Decode(Bytes(before));
    EXPECT_EQ(profile.Encoding(), ProfileEncoding::CodePage);
    EXPECT_EQ(profile.Get("Other", "name"), "Café");
    profile.Set("KVD2730", "GPS", "C:\\Café");
    EXPECT_EQ(profile.Encode(),
              Bytes("[Other]\r\nname=Caf\xE9\r\n[KVD2730]\r\nGPS=C:\\Caf\xE9\r\n"));
    // A path the code page cannot hold is not written with its letters lost.
    profile.Set("KVD2730", "GPS", "C:\\ログ");
    EXPECT_EQ(profile.Encoding(), ProfileEncoding::Utf16LeBom);
    EXPECT_EQ(profile.Encode(), Utf16Le("[Other]\r\nname=Café\r\n[KVD2730]\r\nGPS=C:\\ログ\r\n"));
}

TEST(ProfileText, CodePageFileKeepsItsOtherValuesWhenItsLastForeignByteGoes) {
    // Only the old folder is not UTF-8, so the file is read in the code page, where the
    // bytes of "é" in UTF-8 are two letters. Once the folder is replaced, those bytes alone
    // would read as UTF-8, and the other key would change.
    const std::string before = "[Other]\r\nname=Caf\xC3\xA9\r\n[KVD2730]\r\nGPS=\xE9\r\n";
    ProfileText profile = ProfileText::Decode(Bytes(before));
    ASSERT_EQ(profile.Encoding(), ProfileEncoding::CodePage);
    const std::optional<std::string> name = profile.Get("Other", "name");
    profile.Set("KVD2730", "GPS", "C:\\logs");
    EXPECT_EQ(profile.Encoding(), ProfileEncoding::Utf16LeBom);
    const ProfileText read = ProfileText::Decode(profile.Encode());
    EXPECT_EQ(read.Get("Other", "name"), name);
    EXPECT_EQ(read.Get("KVD2730", "GPS"), "C:\\logs");
}

TEST(ProfileText, ReadsAsWindowsDoes) {
    const struct {
        std::string_view text;
        std::optional<std::string> value;
    } cases[] = {
        {"[KVD2730]\nGPS=/a\n", "/a"},
        {"[kvd2730]\ngps=/a\n", "/a"},                    // names ignore case
        {"  [ KVD2730 ]  \n  GPS  =  /a b  \n", "/a b"},  // blanks around names and value
        {"[KVD2730]\nGPS=\"/a b \"\n", "/a b "},          // one pair of quotes removed
        {"[KVD2730]\nGPS=/a\nGPS=/b\n", "/a"},            // the first one counts
        {"[Other]\nGPS=/a\n[KVD2730]\n", std::nullopt},   // another section's key
        {"[KVD2730]\n;GPS=/a\nGPSX=/b\n", std::nullopt},  // a comment, a longer key
        {"GPS=/a\n", std::nullopt},                       // before any section
        {"", std::nullopt},
        {"[KVD2730]\nGPS=\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProfileText::Decode(Bytes(c.text)).Get("KVD2730", "GPS"), c.value) << c.text;
}

TEST(ProfileText, AddsMissingKeysAndSectionsInTheirPlace) {
    const struct {
        std::string_view before;
        std::string_view after;
    } cases[] = {
        {"[KVD2730]\nA=1\n\n[B]\nC=2\n", "[KVD2730]\nA=1\nGPS=/x\n\n[B]\nC=2\n"},
        {"[B]\nC=2", "[B]\nC=2\n[KVD2730]\nGPS=/x\n"},
        {"[B]\r\nC=2\r\n", "[B]\r\nC=2\r\n[KVD2730]\r\nGPS=/x\r\n"},
        {"[kvd2730]\n  gps = old\n", "[kvd2730]\ngps=/x\n"},
        // A carriage return at the very end ends the line; it does not join the next.
        {"[B]\nC=2\r", "[B]\nC=2\r\n[KVD2730]\nGPS=/x\n"},
        {"[KVD2730]\r", "[KVD2730]\r\nGPS=/x\r\n"},
    };
    for (const auto& c : cases) {
        ProfileText profile = ProfileText::Decode(Bytes(c.before));
        profile.Set("KVD2730", "GPS", "/x");
        EXPECT_EQ(profile.Encode(), Bytes(c.after)) << c.before;
    }
}

TEST(ProfileText, KeepsBlanksAndQuotesAValueHoldsAtEitherEnd) {
    for (const std::string value :
         {" /a ", "/a b\t", " ", "\"/a\"", "'x'", "\"", "'a\"", "a\"b\""}) {
        for (const std::string_view before : {"", "[KVD2730]\nGPS=/old\n"}) {
            ProfileText profile = ProfileText::Decode(Bytes(before));
            profile.Set("KVD2730", "GPS", value);
            EXPECT_EQ(ProfileText::Decode(profile.Encode()).Get("KVD2730", "GPS"), value)
                << "[" << value << "] in [" << before << "]";
        }
    }
}

TEST(ProfileFile, AValueWithALineBreakIsRefusedAndTheFileKept) {
    test::TempDir dir;
    const auto file = dir.path() / "KVD2730.ini";
    test::WriteBytes(file, Bytes("[KVD2730]\nGPS=/kept\n"));
    for (const std::string_view value : {"/a\nb", "/a\r", "\n[Other]"}) {
        std::string error;
        EXPECT_FALSE(WriteProfileString(file, "KVD2730", "GPS", value, error));
        EXPECT_NE(error.find("line break"), std::string::npos) << error;
        EXPECT_EQ(test::ReadText(file), "[KVD2730]\nGPS=/kept\n");
    }
}

TEST(ProfileFile, NewFileIsUtf16WithByteOrderMark) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const auto file = home.file();
    EXPECT_EQ(ReadSaveFolder(dir.path()), PathToUtf8(dir.path()));  // no file yet
    std::string error;
    ASSERT_TRUE(WriteSaveFolder(dir.path(), "/srv/ログ", error)) << error;
    EXPECT_EQ(test::ReadBytes(file), Utf16Le("[KVD2730]\r\nGPS=/srv/ログ\r\n"));
    EXPECT_EQ(ReadSaveFolder(dir.path()), "/srv/ログ");
}

TEST(ProfileFile, ReadOnlyFileIsLeftAlone) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const auto file = home.file();
    std::filesystem::create_directories(file.parent_path());
    test::WriteBytes(file, Bytes("[KVD2730]\nGPS=/kept\n"));
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    std::string error;
    EXPECT_FALSE(WriteSaveFolder(dir.path(), "/new", error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(ReadSaveFolder(dir.path()), "/kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST(ReadSaveFolder, FallsBackToTheCurrentFolderAndTakesLongPathsWhole) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const std::string longPath = "/" + std::string(300, 'p');
    const struct {
        std::string_view text;
        std::string expected;
    } cases[] = {
        {"[KVD2730]\nGPS=\n", PathToUtf8(dir.path())},
        {"[Other]\nGPS=/x\n", PathToUtf8(dir.path())},
        {"[KVD2730]\nGPS=/x\n", "/x"},
    };
    for (const auto& c : cases) {
        test::WriteBytes(SettingsFilePath(dir.path()), Bytes(c.text));
        EXPECT_EQ(ReadSaveFolder(dir.path()), c.expected) << c.text;
    }
    test::WriteBytes(SettingsFilePath(dir.path()), Bytes("[KVD2730]\nGPS=" + longPath + "\n"));
    EXPECT_EQ(ReadSaveFolder(dir.path()), longPath);
}

TEST(FindLocalFile, MatchesTheExtensionWithoutCaseAndSkipsFolders) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "folder.FPT");
    test::WriteBytes(dir.path() / "notes.txt", {});
    test::WriteBytes(dir.path() / "FPT", {});  // no dot: no extension
    EXPECT_EQ(FindLocalFile(dir.path(), ".FPT"), std::nullopt);
    test::WriteBytes(dir.path() / "points.fpt", {});
    test::WriteBytes(dir.path() / "voice.MEM", {});
    EXPECT_EQ(FindLocalFile(dir.path(), ".FPT"), dir.path() / "points.fpt");
    EXPECT_EQ(FindLocalFile(dir.path(), ".mem"), dir.path() / "voice.MEM");
    EXPECT_EQ(FindLocalFile(dir.path() / "missing", ".mem"), std::nullopt);
}

TEST(ChooserFilter, CatalogueFiltersSplitIntoTheirEntries) {
    using Entries = std::vector<ChooserFilterEntry>;
    EXPECT_EQ(SplitChooserFilter(MessageText(MsgFilterFpt, kLangIdEnglishUs)),
              (Entries{{"FPT files", "*.FPT"}}));
    EXPECT_EQ(SplitChooserFilter(MessageText(MsgFilterMem, kLangIdJapanese)),
              (Entries{{"memﾌｧｲﾙ", "*.mem"}}));
    EXPECT_EQ(SplitChooserFilter("A |*.a|B|*.b||"), (Entries{{"A", "*.a"}, {"B", "*.b"}}));
    EXPECT_EQ(SplitChooserFilter("A |*.a|B"), (Entries{{"A", "*.a"}}));  // a half pair
    EXPECT_TRUE(SplitChooserFilter("").empty());
}

}  // namespace
}  // namespace kvd
