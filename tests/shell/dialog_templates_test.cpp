// The Windows program's dialog templates carry their texts in both languages; they must say
// what the message catalogue and the program's own texts say, so that the Windows windows
// read as the Linux ones do. Read from the resource script itself, on any system.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "shell/desktop_texts.h"
#include "shell/message_catalogue.h"

namespace kvd {
namespace {

// language ("LANG_ENGLISH") -> dialog ("IDD_START") -> control id ("IDCANCEL", or "CAPTION")
// -> its text.
using Templates = std::map<std::string, std::map<std::string, std::map<std::string, std::string>>>;

Templates ReadTemplates(const std::string& path) {
    std::ifstream file(path);
    EXPECT_TRUE(file) << "cannot read " << path;
    const std::regex language(R"(^LANGUAGE\s+(\w+))");
    const std::regex dialog(R"(^(\w+)\s+DIALOGEX\b)");
    const std::regex caption(R"(^CAPTION\s+"([^"]*)\")");
    const std::regex control(
        R"(^\s*(?:CONTROL|LTEXT|CTEXT|RTEXT|PUSHBUTTON|DEFPUSHBUTTON)\s+"([^"]*)\"\s*,\s*(\w+))");
    Templates templates;
    std::string currentLanguage;
    std::string currentDialog;
    std::string line;
    std::smatch match;
    while (std::getline(file, line)) {
        if (std::regex_search(line, match, language)) {
            currentLanguage = match[1];
            currentDialog.clear();
        } else if (std::regex_search(line, match, dialog)) {
            currentDialog = match[1];
        } else if (!currentDialog.empty() && std::regex_search(line, match, caption)) {
            templates[currentLanguage][currentDialog]["CAPTION"] = match[1];
        } else if (!currentDialog.empty() && std::regex_search(line, match, control)) {
            templates[currentLanguage][currentDialog][match[2]] = match[1];
        }
    }
    return templates;
}

struct Expected {
    const char* dialog;
    const char* control;
    MessagePair text;
};

const MessagePair& Catalogue(MessageEntry entry) { return kMessageCatalogue[entry]; }

constexpr MessagePair kNoText{"", ""};
constexpr MessagePair kWindowTitle{"RW-T356 GPS Log", "RW-T356 GPS Log"};

std::vector<Expected> ExpectedTexts() {
    return {
        {"IDD_START", "CAPTION", kWindowTitle},
        {"IDD_START", "IDC_MODE_BUTTON", Catalogue(MsgGpsLogData)},
        {"IDD_START", "IDC_UPDATE_BUTTON", Catalogue(MsgUpdate)},
        {"IDD_START", "IDCANCEL", Catalogue(MsgEnd)},
        {"IDD_START", "IDC_STATUS", kNoText},
        {"IDD_TRANSFER", "CAPTION", kWindowTitle},
        {"IDD_TRANSFER", "IDC_HEADER", Catalogue(MsgGetGpsLogData)},
        {"IDD_TRANSFER", "IDC_PATH_LABEL", Catalogue(MsgFolderPath)},
        {"IDD_TRANSFER", "IDC_SELECT", Catalogue(MsgSelect)},
        {"IDD_TRANSFER", "IDC_GET", Catalogue(MsgGetSelected)},
        {"IDD_TRANSFER", "IDC_VOICE_LABEL", Catalogue(MsgUpdateVoiceData)},
        {"IDD_TRANSFER", "IDC_MEM_PATH_LABEL", Catalogue(MsgDataFilePath)},
        {"IDD_TRANSFER", "IDC_SELECT_MEM", Catalogue(MsgSelect)},
        {"IDD_TRANSFER", "IDC_UPDATE_VOICE", Catalogue(MsgUpdate)},
        {"IDD_TRANSFER", "IDC_LIST_LABEL", Catalogue(MsgGpsLogDataList)},
        {"IDD_TRANSFER", "IDC_SELECT_ALL", kNoText},
        {"IDD_TRANSFER", "IDC_SELECT_ALL_LABEL", Catalogue(MsgSelectAllValid)},
        {"IDD_TRANSFER", "IDC_DELETE", Catalogue(MsgDeleteSelected)},
        {"IDD_TRANSFER", "IDCANCEL", Catalogue(MsgClose)},
        {"IDD_TRANSFER", "IDC_LIST", kNoText},
        {"IDD_PROGRESS", "CAPTION", kTextStarting},
        {"IDD_PROGRESS", "IDC_PROGRESS_MESSAGE", kTextStarting},
        {"IDD_PROGRESS", "IDC_PROGRESS_BAR", kNoText},
        {"IDD_PROGRESS", "IDCANCEL", kTextCancel},
    };
}

TEST(DialogTemplates, EachLanguageSaysWhatTheProgramsTextsSay) {
    const Templates templates = ReadTemplates(KVD_RESOURCE_SCRIPT);
    const std::vector<Expected> expected = ExpectedTexts();
    for (const auto& [language, japanese] :
         {std::pair<std::string, bool>{"LANG_ENGLISH", false}, {"LANG_JAPANESE", true}}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(templates.count(language));
        const auto& dialogs = templates.at(language);
        std::size_t controls = 0;
        for (const Expected& entry : expected) {
            SCOPED_TRACE(std::string(entry.dialog) + " " + entry.control);
            ASSERT_TRUE(dialogs.count(entry.dialog));
            const auto& texts = dialogs.at(entry.dialog);
            ASSERT_TRUE(texts.count(entry.control)) << "missing from the template";
            EXPECT_EQ(texts.at(entry.control), japanese ? entry.text.japanese : entry.text.english);
        }
        // Every text of the templates is in the table above.
        for (const auto& [dialog, texts] : dialogs) controls += texts.size();
        EXPECT_EQ(controls, expected.size());
    }
}

}  // namespace
}  // namespace kvd
