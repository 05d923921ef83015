// Temporary files that a run which ended abruptly left behind: removed once their writer has
// gone and they have lain untouched a while, and only then; and a commit that never replaces
// what holds its name.
#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "test_support.h"

namespace kvd {
namespace {

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LeftoverTemporaryFiles, OnlyThoseOfEndedProcessesGo) {
    test::TempDir dir;
    const unsigned long ended = test::EndedProcessId();
    const std::string endedFile = TemporaryFileName(ended);
    const std::string freshFile = TemporaryFileName(ended);  // maybe another machine's writer
    const std::vector<std::string> aged = {
        TemporaryFileName(static_cast<unsigned long>(::getpid())),  // a writer still at work
        TemporaryFileName(1),                                       // another user's process
        ".kvd-" + std::to_string(ended) + "-notmine!.tmp",          // not a name we give
        ".kvd-" + std::to_string(ended) + ".tmp",
        "trip.LOG.kml",
    };
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& name : aged) {
        test::WriteBytes(dir.path() / name, {2});
        std::filesystem::last_write_time(dir.path() / name, anHourAgo);
    }
    test::WriteBytes(dir.path() / endedFile, {1});
    std::filesystem::last_write_time(dir.path() / endedFile, anHourAgo);
    test::WriteBytes(dir.path() / freshFile, {3});
    std::filesystem::create_directory(dir.path() / TemporaryFileName(ended));  // not a file

    EXPECT_EQ(RemoveLeftoverTemporaryFiles(dir.path()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / endedFile));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / freshFile));
    for (const auto& name : aged) EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
    EXPECT_EQ(RemoveLeftoverTemporaryFiles(dir.path() / "absent"), 0);
}

TEST(AtomicFile, CommitNewNeverReplacesWhatHoldsTheName) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> occupy;  // null: the name is free
    };
    const Case cases[] = {
        {"free", nullptr},
        {"a file", [](const auto& at) { test::WriteBytes(at, {9}); }},
        {"a folder", [](const auto& at) { std::filesystem::create_directory(at); }},
        {"a dangling link",
         [](const auto& at) { std::filesystem::create_symlink(at.parent_path() / "gone", at); }},
        {"a link to a file",
         [](const auto& at) {
             test::WriteBytes(at.parent_path() / "target", {9});
             std::filesystem::create_symlink(at.parent_path() / "target", at);
         }},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto target = dir.path() / "trip.LOG.kml";
        AtomicFile file;
        std::string error;
        ASSERT_TRUE(file.Open(target, error)) << error;
        ASSERT_TRUE(file.Write(std::vector<uint8_t>{1, 2}, error)) << error;
        if (c.occupy) c.occupy(target);
        const auto before = std::filesystem::symlink_status(target).type();
        const auto contents = [&] {
            return std::filesystem::is_regular_file(target) ? test::ReadBytes(target)
                                                            : std::vector<uint8_t>{};
        };
        const std::vector<uint8_t> held = contents();
        const CommitOutcome outcome = file.CommitNew(error);
        if (!c.occupy) {
            EXPECT_EQ(outcome, CommitOutcome::Committed) << c.what << ": " << error;
            EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{1, 2}));
            EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"trip.LOG.kml"});
            continue;
        }
        EXPECT_EQ(outcome, CommitOutcome::NameTaken) << c.what << ": " << error;
        EXPECT_EQ(std::filesystem::symlink_status(target).type(), before) << c.what;
        EXPECT_EQ(contents(), held) << c.what;
        // The complete file waits for the caller's comparison, and goes with Discard.
        EXPECT_EQ(test::ReadBytes(file.TempPath()), (std::vector<uint8_t>{1, 2})) << c.what;
        const auto temp = file.TempPath();
        file.Discard();
        EXPECT_FALSE(std::filesystem::exists(temp)) << c.what;
    }
}

}  // namespace
}  // namespace kvd
