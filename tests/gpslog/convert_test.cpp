#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gpslog/gpslog.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::HeaderAt;
using test::Valid;

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int32_t Convert(const std::vector<uint8_t>& bytes, const std::string& folder,
                const std::string& name) {
    return ConvertGpsLogToKml(nullptr, bytes.data(), static_cast<int32_t>(bytes.size()),
                              folder.c_str(), name.c_str());
}

class ConvertGpsLog : public ::testing::Test {
  protected:
    test::ScopedTimeZone zone_{"Asia/Tokyo"};
    test::TempDir dir_;
    const std::vector<uint8_t> log_ = MakeSyntheticTrip(3, 200, 1);
};

TEST_F(ConvertGpsLog, WritesFolderSlashNameDotKml) {
    ASSERT_EQ(Convert(log_, dir_.str(), "0601.LOG"), 1);
    EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"0601.LOG.kml"});
    EXPECT_EQ(KmlPathFor("C", "0601.LOG"),
              std::filesystem::path("C") / "0601.LOG.kml");  // the platform's separator
    const std::string text = test::DecodeUtf16Le(test::ReadBytes(dir_.path() / "0601.LOG.kml"));
    EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-16\"?><kml"));
    EXPECT_NE(text.find("<name>0601.LOG.kml Path</name>"), std::string::npos);
}

TEST_F(ConvertGpsLog, NamesWithMarkupCharactersConvert) {
    for (const char* name : {"a&b.LOG", "a<b.LOG", "c>d'e\".LOG"}) {
        ASSERT_EQ(Convert(log_, dir_.str(), name), 1) << name;
        const auto bytes = test::ReadBytes(dir_.path() / (std::string(name) + ".kml"));
        test::ParsedKml kml;
        test::Parse(test::DecodeUtf16Le(bytes), kml);
        ASSERT_FALSE(kml.placemarks.empty());
        EXPECT_EQ(kml.placemarks[0].child_value("name"), std::string(name) + ".kml Path");
    }
}

TEST_F(ConvertGpsLog, NameFromTheDeviceStaysInTheFolder) {
    std::filesystem::create_directory(dir_.path() / "inner");
    ASSERT_EQ(Convert(log_, (dir_.path() / "inner").string(), "../../escape.LOG"), 1);
    EXPECT_EQ(FilesIn(dir_.path() / "inner"), std::vector<std::string>{"escape.LOG.kml"});
    EXPECT_EQ(Convert(log_, dir_.str(), "trailing/"), 0);
}

TEST_F(ConvertGpsLog, RejectedLogsLeaveNoFile) {
    struct Case {
        const char* why;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"shorter than a header", std::vector<uint8_t>(log_.begin(), log_.begin() + 15)},
        {"header in 1969", EncodeLog(HeaderAt(1969, 6, 1, 12, 0, 0, 1), {})},
        {"month 13", EncodeLog(HeaderAt(2013, 13, 1, 12, 0, 0, 1), {})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.bytes, dir_.str(), "x.LOG"), 0) << c.why;
        OfflineIconReachability offline;
        const FileConversion result = ConvertLogToKmlFile(c.bytes, dir_.str(), "x.LOG", offline);
        EXPECT_FALSE(result.Succeeded()) << c.why;
        EXPECT_FALSE(result.error.empty()) << c.why;
    }
    EXPECT_EQ(ConvertGpsLogToKml(nullptr, nullptr, 16, dir_.str().c_str(), "x.LOG"), 0);
    EXPECT_EQ(ConvertGpsLogToKml(nullptr, log_.data(), -1, dir_.str().c_str(), "x.LOG"), 0);
    EXPECT_TRUE(FilesIn(dir_.path()).empty());
}

TEST_F(ConvertGpsLog, PartialLastBlockIsIgnored) {
    std::vector<uint8_t> ragged = log_;
    ragged.resize(ragged.size() - 5);
    ASSERT_EQ(Convert(ragged, dir_.str(), "ragged.LOG"), 1);
    ASSERT_EQ(Convert(log_, dir_.str(), "whole.LOG"), 1);
    test::ParsedKml whole, cut;
    test::Parse(test::DecodeUtf16Le(test::ReadBytes(dir_.path() / "whole.LOG.kml")), whole);
    test::Parse(test::DecodeUtf16Le(test::ReadBytes(dir_.path() / "ragged.LOG.kml")), cut);
    EXPECT_EQ(cut.placemarks.size() + 1, whole.placemarks.size());
}

TEST_F(ConvertGpsLog, FailedSaveIsAFailureAndLeavesNoFile) {
    std::filesystem::create_directory(dir_.path() / "a-file-not-a-folder.d");
    test::WriteBytes(dir_.path() / "plain", {1, 2, 3});
    struct Case {
        const char* why;
        std::filesystem::path folder;
    };
    const Case cases[] = {
        {"folder missing", dir_.path() / "missing"},
        {"folder is a file", dir_.path() / "plain"},
    };
    for (const Case& c : cases) {
        OfflineIconReachability offline;
        const FileConversion result =
            ConvertLogToKmlFile(log_, c.folder.string(), "x.LOG", offline);
        EXPECT_FALSE(result.Succeeded()) << c.why;
        EXPECT_NE(result.error.find(c.folder.string()), std::string::npos) << result.error;
        EXPECT_EQ(Convert(log_, c.folder.string(), "x.LOG"), 0) << c.why;
    }
    EXPECT_EQ(FilesIn(dir_.path()), (std::vector<std::string>{"a-file-not-a-folder.d", "plain"}));
}

// Runs the conversion in a child process set up by prepare; returns its result (or -1).
template <typename Prepare>
int ConvertInChild(const std::vector<uint8_t>& bytes, const std::string& folder, Prepare prepare) {
    const pid_t child = ::fork();
    if (child == 0) {
        prepare();
        _exit(Convert(bytes, folder, "x.LOG"));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ConvertGpsLog, FullDiskIsAFailureAndLeavesNoFile) {
    // A file size limit fails the write part-way, as a full disk does.
    const int result = ConvertInChild(log_, dir_.str(), [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(FilesIn(dir_.path()).empty());
}

TEST_F(ConvertGpsLog, ReadOnlyFolderIsAFailure) {
    std::filesystem::permissions(
        dir_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                         std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    const int result = ConvertInChild(log_, dir_.str(), [] {
        if (::geteuid() == 0 && ::setuid(65534) != 0) _exit(99);  // root ignores modes
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(FilesIn(dir_.path()).empty());
}

TEST_F(ConvertGpsLog, ReplacesAnEarlierFileWhole) {
    test::WriteBytes(dir_.path() / "x.LOG.kml", std::vector<uint8_t>(1000000, 'o'));
    ASSERT_EQ(Convert(EncodeLog(HeaderAt(2013, 6, 1, 12, 0, 0, 1), {}), dir_.str(), "x.LOG"), 1);
    const std::string text = test::DecodeUtf16Le(test::ReadBytes(dir_.path() / "x.LOG.kml"));
    EXPECT_TRUE(text.ends_with("</Folder></Document></kml>"));
    EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"x.LOG.kml"});
}

}  // namespace
}  // namespace kvd
