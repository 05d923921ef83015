// The system's own texts reach the user as one line of UTF-8, whatever the platform words
// them in, and errno values are never read as Windows codes or the other way round.
#include "common/system_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "common/utf8.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kvd {
namespace {

// Well-formed UTF-8: decoding gives no replacement character where the text had none.
bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();)
        if (DecodeUtf8(text, at) == kReplacementCharacter) return false;
    return true;
}

void ExpectOneTidyLine(const std::string& text, const char* what) {
    EXPECT_FALSE(text.empty()) << what;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << what << ": " << text;
    EXPECT_TRUE(IsUtf8(text)) << what << ": " << text;
    EXPECT_FALSE(text.ends_with('.') || text.ends_with(' ')) << what << ": " << text;
}

TEST(SystemText, WideTextsBecomeOneLineOfUtf8) {
    struct Case {
        std::u16string system;
        std::string shown;
    };
    const Case cases[] = {
        {u"The system cannot find the file specified.\r\n",
         "The system cannot find the file specified"},
        {u"指定されたファイルが見つかりません。\r\n", "指定されたファイルが見つかりません"},
        {u"アクセスが拒否されました。 \r\n", "アクセスが拒否されました"},
        {u"The parameter is incorrect.\r\nTry again. \r\n",
         "The parameter is incorrect. Try again"},
        {u"No such file or directory", "No such file or directory"},
        {u"\xD800 lone half.\r\n", "\xEF\xBF\xBD lone half"},  // shown, never broken UTF-8
        {u"\r\n", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(TidySystemText(c.system), c.shown) << c.shown;
}

TEST(SystemText, ErrnoValuesKeepTheirMeaning) {
    // On Windows 13 is also ERROR_INVALID_DATA and 22 ERROR_BAD_COMMAND: an errno value read
    // as a Windows code says something else entirely.
    EXPECT_EQ(ErrnoText(EACCES), "Permission denied");
    EXPECT_EQ(ErrnoText(EINVAL), "Invalid argument");
    EXPECT_EQ(ErrorCodeText(std::make_error_code(std::errc::permission_denied)),
              "Permission denied");
    ExpectOneTidyLine(ErrnoText(ENOENT), "ENOENT");
}

TEST(SystemText, TheSystemsOwnTextsAreTidy) {
    ExpectOneTidyLine(AlreadyExistsText(), "already exists");
#ifdef _WIN32
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_NAME}) {
        const std::string text = SystemErrorText(code);
        ExpectOneTidyLine(text, std::to_string(code).c_str());
        EXPECT_NE(text, "system error " + std::to_string(code)) << "the system has no text";
        EXPECT_EQ(ErrorCodeText(std::error_code(static_cast<int>(code), std::system_category())),
                  text);
    }
    EXPECT_EQ(SystemErrorText(0xE0001234), "system error 3758101044");
#else
    EXPECT_EQ(SystemErrorText(ENOENT), ErrnoText(ENOENT));
#endif
}

#ifdef _WIN32
// The Windows test run asks for a Japanese user; through the ANSI code page these texts came
// out garbled on a UTF-8 console.
TEST(SystemText, AJapaneseUserReadsTheSystemsTextsInJapanese) {
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_JAPANESE)
        GTEST_SKIP() << "the user's language is not Japanese";
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ALREADY_EXISTS}) {
        const std::string text = SystemErrorText(code);
        ExpectOneTidyLine(text, std::to_string(code).c_str());
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }))
            << code << ": " << text;
    }
}
#endif

}  // namespace
}  // namespace kvd
