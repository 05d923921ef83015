// The save folder: checked before a download without making anything, made once the device has
// answered, and every refusal said in the user's language with the folder and the cause.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "common/system_text.h"
#include "shell/shell.h"
#include "test_support.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

using test::NamesIn;

using Answer = std::optional<std::string>;

#ifndef _WIN32
// An answer given by a user without the right to write into a folder of 0555: root passes
// every permission, so as root the question goes to a child that has become nobody.
Answer WithoutWriteRights(const std::filesystem::path& readOnly,
                          const std::function<Answer()>& ask) {
    std::filesystem::permissions(
        readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                      std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                      std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    if (::geteuid() != 0) return ask();
    int pipeEnds[2];
    EXPECT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const Answer answer = ask();
        // "-" for none, "+" and the sentence for one.
        const std::string message = answer ? "+" + *answer : "-";
        const bool sent = ::write(pipeEnds[1], message.data(), message.size()) ==
                          static_cast<ssize_t>(message.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(pipeEnds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    if (message.empty() || message == "-") return std::nullopt;
    return message.substr(1);
}
#endif

TEST(SaveFolder, SaysWhyInEitherLanguageAndMakesNothing) {
    test::TempDir dir;
    const std::filesystem::path file = dir.path() / "file";
    test::WriteBytes(file, {1});
    std::filesystem::create_directory(dir.path() / "read-only");
    const std::string d = dir.str();
    const std::string sep(1, static_cast<char>(std::filesystem::path::preferred_separator));

    struct Case {
        const char* what;
        std::string folder;
        Answer english;  // none: logs can be saved there
        Answer japanese;
        bool readOnly = false;  // asked by a user who may not write into d/read-only
    };
    std::vector<Case> cases = {
        {"an existing folder", d, {}, {}},
        {"the current folder", "", {}, {}},
        {"a missing folder under one", d + sep + "new" + sep + "deeper", {}, {}},
        {"a file", file.string(), file.string() + " is not a folder",
         file.string() + " はフォルダではありません"},
        {"a missing folder under a file", file.string() + sep + "sub",
         "cannot make the folder " + file.string() + sep + "sub: " + file.string() +
             " is not a folder",
         "フォルダ " + file.string() + sep + "sub を作れません（" + file.string() +
             " はフォルダではありません）"},
    };
#ifdef _WIN32
    // Windows would drop the dot and save somewhere else than asked.
    cases.push_back(
        {"a name Windows cannot use", d + sep + "trips.",
         "cannot use the folder " + d + sep +
             "trips.: the name 'trips.' cannot be used on Windows (it ends in a dot)",
         "フォルダ " + d + sep + "trips. は使えません（名前 'trips.' は Windows では使えません）"});
#else
    // Elsewhere the file system takes such a name as it is.
    cases.push_back({"a name Windows cannot use", d + sep + "trips.", {}, {}});
    const std::string denied = ErrnoText(EACCES);
    const std::string readOnly = d + sep + "read-only";
    cases.push_back({"a read-only folder", readOnly,
                     "cannot write into " + readOnly + ": " + denied,
                     "フォルダ " + readOnly + " に書き込めません（" + denied + "）", true});
    // Named as given, not by the folder that refuses it.
    const std::string inside = readOnly + sep + "new" + sep + "trips";
    cases.push_back({"a missing folder under a read-only one", inside,
                     "cannot make the folder " + inside + ": " + denied,
                     "フォルダ " + inside + " を作れません（" + denied + "）", true});
#endif

    const auto before = NamesIn(dir.path());
    for (const Case& c : cases) {
        for (const auto& [langId, expected] :
             {std::pair{kLangIdEnglishUs, c.english}, std::pair{kLangIdJapanese, c.japanese}}) {
            const auto ask = [&] { return SaveFolderProblem(c.folder, langId); };
#ifndef _WIN32
            const Answer answer =
                c.readOnly ? WithoutWriteRights(dir.path() / "read-only", ask) : ask();
#else
            const Answer answer = ask();
#endif
            EXPECT_EQ(answer, expected) << c.what << ", language " << langId;
        }
    }
    // No folder made and no write check left behind, whatever the answer.
    EXPECT_EQ(NamesIn(dir.path()), before);
    EXPECT_EQ(NamesIn(dir.path() / "read-only"), std::vector<std::string>{});
}

TEST(SaveFolder, MadeWithItsParentsOrSaidWhyNot) {
    test::TempDir dir;
    const std::filesystem::path file = dir.path() / "file";
    test::WriteBytes(file, {1});
    const std::filesystem::path deeper = dir.path() / "new" / "deeper";
    EXPECT_EQ(MakeSaveFolder(deeper.string(), kLangIdEnglishUs), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_directory(deeper));
    EXPECT_EQ(NamesIn(deeper), std::vector<std::string>{});
    // Made already: nothing to do.
    EXPECT_EQ(MakeSaveFolder(deeper.string(), kLangIdJapanese), std::nullopt);

    const std::string underFile = (file / "sub").string();
    const Answer english = MakeSaveFolder(underFile, kLangIdEnglishUs);
    const Answer japanese = MakeSaveFolder(underFile, kLangIdJapanese);
    ASSERT_TRUE(english && japanese);
    // The cause is the system's, whichever of its errors it gives for a file in the way.
    EXPECT_EQ(english->rfind("cannot make the folder " + underFile + ": ", 0), 0u) << *english;
    EXPECT_GT(english->size(), ("cannot make the folder " + underFile + ": ").size());
    EXPECT_EQ(japanese->rfind("フォルダ " + underFile + " を作れません（", 0), 0u) << *japanese;
    EXPECT_TRUE(std::filesystem::is_regular_file(file));

#ifdef _WIN32
    const std::string dotted = (dir.path() / "trips.").string();
    const Answer refused = MakeSaveFolder(dotted, kLangIdEnglishUs);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("cannot use the folder " + dotted), std::string::npos) << *refused;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "trips"));
#else
    const std::filesystem::path readOnly = dir.path() / "read-only";
    std::filesystem::create_directory(readOnly);
    const std::string inside = (readOnly / "trips").string();
    const Answer denied =
        WithoutWriteRights(readOnly, [&] { return MakeSaveFolder(inside, kLangIdJapanese); });
    EXPECT_EQ(denied, "フォルダ " + inside + " を作れません（" + ErrnoText(EACCES) + "）");
    EXPECT_FALSE(std::filesystem::exists(inside));
#endif
}

}  // namespace
}  // namespace kvd
