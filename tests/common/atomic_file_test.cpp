// Temporary files that a run which ended abruptly left behind: removed once their writer has
// gone and they have lain untouched a while, and only then.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "common/atomic_file.h"
#include "test_support.h"

namespace kvd {
namespace {

TEST(LeftoverTemporaryFiles, OnlyThoseOfEndedProcessesGo) {
    test::TempDir dir;
    const unsigned long ended = test::EndedProcessId();
    const std::string endedFile = TemporaryFileName(ended);
    const std::string freshFile = TemporaryFileName(ended);  // maybe another machine's writer
    const std::vector<std::string> aged = {
        TemporaryFileName(static_cast<unsigned long>(::getpid())),  // a writer still at work
        TemporaryFileName(1),                                        // another user's process
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

}  // namespace
}  // namespace kvd
