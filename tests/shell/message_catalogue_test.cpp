#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "shell/shell.h"

namespace kvd {
namespace {

TEST(MessageCatalogue, JapaneseOnlyFor0x0411) {
    struct Case {
        uint16_t langId;
        bool japanese;
    };
    for (const Case& c : {Case{0x0411, true}, Case{0x0409, false}, Case{0x0404, false},
                          Case{0x0000, false}, Case{0x0811, false}}) {
        for (std::size_t i = 0; i < kMessageEntryCount; ++i) {
            const auto entry = static_cast<MessageEntry>(i);
            const MessagePair& pair = kMessageCatalogue[i];
            EXPECT_EQ(MessageText(entry, c.langId), c.japanese ? pair.japanese : pair.english)
                << "language " << c.langId << " entry " << i;
        }
    }
}

TEST(MessageCatalogue, LookupFollowsTheStartUpLanguage) {
    const uint16_t saved = g_userLangId;
    g_userLangId = kLangIdJapanese;
    EXPECT_EQ(MessageText(MsgGetDataOk), "データを取得しました");
    g_userLangId = 0x0409;
    EXPECT_EQ(MessageText(MsgGetDataOk), "Getting data normally ends");
    g_userLangId = saved;
}

// Entries by name against their texts: the table order is what other code relies on.
TEST(MessageCatalogue, EntriesSitAtTheirPlaceWithExactTexts) {
    struct Case {
        MessageEntry entry;
        int number;
        const char* japanese;
        const char* english;
    };
    const Case cases[] = {
        {MsgProgressTime, 0, "%s %d %%\n\n経過時間：%.0f s  残り時間：%.0f s",
         "%s %d %%\n\nSpent time：%.0f s  Estimated time：%.0f s"},
        {MsgFilterFpt, 1, "FPTﾌｧｲﾙ |*.FPT||", "FPT files |*.FPT||"},
        {MsgFilterMem, 5, "memﾌｧｲﾙ |*.mem||", "mem files |*.mem||"},
        {MsgWaitNoAbortDelete, 6, "お待ちください　※削除は中断できません",
         "Please wait※can not abort deleting"},
        {MsgGetting, 28, "取得中", "Getting"},
        {MsgSelectAllValid, 37, "全て選択※無効なファイルは選択できません。",
         "Select all※can not select invalid files"},
        {MsgGpsLogData, 40, "GPSログデータ", "GPS log data"},
        {MsgDateTimeFormat, 42, "%04d/%02d/%02d %02d:%02d:%02d", "%04d/%02d/%02d %02d:%02d:%02d"},
        {MsgPath, 45, "経路", "Path"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.entry), c.number);
        EXPECT_EQ(MessageText(c.entry, kLangIdJapanese), c.japanese) << c.number;
        EXPECT_EQ(MessageText(c.entry, kLangIdEnglishUs), c.english) << c.number;
    }
    EXPECT_EQ(static_cast<std::size_t>(MsgPath) + 1, kMessageEntryCount);
}

// The characters that are easy to lose, by their code points.
TEST(MessageCatalogue, KeepsTheUnusualCharacters) {
    const std::string_view ideographicSpace = "\u3000";
    const std::string_view fullWidthColon = "\uFF1A";
    const std::string_view referenceMark = "\u203B";
    const std::string_view halfWidthFu = "\uFF8C";

    const auto wait = MessageText(MsgWaitNoAbortDelete, kLangIdJapanese);
    EXPECT_NE(wait.find(std::string("お待ちください") + std::string(ideographicSpace) +
                        std::string(referenceMark)),
              std::string_view::npos);
    EXPECT_EQ(MessageText(MsgWaitNoAbortDelete, kLangIdEnglishUs).find(" ※"),
              std::string_view::npos);
    for (uint16_t lang : {kLangIdJapanese, kLangIdEnglishUs}) {
        const auto progress = MessageText(MsgProgressTime, lang);
        EXPECT_EQ(progress.find(':'), std::string_view::npos);
        EXPECT_NE(progress.find(fullWidthColon), std::string_view::npos);
        EXPECT_NE(progress.find(fullWidthColon, progress.find(fullWidthColon) + 1),
                  std::string_view::npos);
    }
    EXPECT_NE(MessageText(MsgFilterFpt, kLangIdJapanese).find(halfWidthFu), std::string_view::npos);
    EXPECT_NE(MessageText(MsgSelectAllValid, kLangIdEnglishUs).find(referenceMark),
              std::string_view::npos);
    // The track summary keeps its CR LF line breaks.
    EXPECT_NE(MessageText(MsgKmlTrackSummary, kLangIdEnglishUs).find("%d/%d/%d\r\n%d:%d:%d"),
              std::string_view::npos);
    EXPECT_NE(MessageText(MsgKmlTrackSummary, kLangIdJapanese).find("%d年%d月%d日\r\n%d時%d分%d秒"),
              std::string_view::npos);
}

TEST(UserLanguage, LocaleNamesStartingWithJaAreJapanese) {
    struct Case {
        const char* locale;
        uint16_t langId;
    };
    for (const Case& c :
         {Case{"ja_JP.UTF-8", 0x0411}, Case{"ja", 0x0411}, Case{"ja_JP.eucJP", 0x0411},
          Case{"en_US.UTF-8", 0x0409}, Case{"C", 0x0409}, Case{"POSIX", 0x0409}, Case{"", 0x0409},
          Case{"de_DE", 0x0409}, Case{"zh_TW", 0x0409}}) {
        EXPECT_EQ(LangIdFromLocaleName(c.locale), c.langId) << c.locale;
    }
}

class LocaleEnvironment {
  public:
    LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) {
            if (const char* v = std::getenv(kNames[i])) saved_[i] = v;
        }
    }
    ~LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) {
                ::setenv(kNames[i], saved_[i]->c_str(), 1);
            } else {
                ::unsetenv(kNames[i]);
            }
        }
    }
    void Set(const char* lcAll, const char* lcMessages, const char* lang) {
        const char* values[3] = {lcAll, lcMessages, lang};
        for (int i = 0; i < 3; ++i) {
            if (values[i] == nullptr) {
                ::unsetenv(kNames[i]);
            } else {
                ::setenv(kNames[i], values[i], 1);
            }
        }
    }

  private:
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved_[3];
};

TEST(UserLanguage, LcAllThenLcMessagesThenLang) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        uint16_t langId;
    };
    const Case cases[] = {
        {"ja_JP.UTF-8", "en_US.UTF-8", "en_US.UTF-8", 0x0411},
        {"en_US.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", 0x0409},
        {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", 0x0411},
        {"", "", "ja_JP.UTF-8", 0x0411},  // empty variables do not count
        {nullptr, nullptr, "ja_JP.UTF-8", 0x0411},
        {nullptr, nullptr, nullptr, 0x0409},
    };
    LocaleEnvironment environment;
    const uint16_t saved = g_userLangId;
    for (const Case& c : cases) {
        environment.Set(c.lcAll, c.lcMessages, c.lang);
        EXPECT_EQ(ReadUserDefaultLangId(), c.langId);
        InitUserLanguage();
        EXPECT_EQ(g_userLangId, c.langId);
    }
    g_userLangId = saved;
}

}  // namespace
}  // namespace kvd
