// The record of saved logs: what it holds across runs, and that a damaged one is never
// trusted.
#include "transfer/saved_logs.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "test_support.h"

namespace kvd {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(SavedLogRecord, HeldOnlyWhenNameSizeAndContentMatch) {
    test::TempDir dir;
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(record.Entries().empty());
    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error)) << error;
    ASSERT_TRUE(record.Add("name with spaces.LOG", Bytes("x"), error)) << error;
    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error)) << error;  // noted once

    const SavedLogRecord again = SavedLogRecord::Load(dir.path(), error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(again.Entries(), record.Entries());
    EXPECT_EQ(again.Entries().size(), 2u);
    EXPECT_TRUE(again.Holds("0601.LOG", Bytes("trip one")));
    EXPECT_TRUE(again.Holds("name with spaces.LOG", Bytes("x")));
    EXPECT_FALSE(again.Holds("0601.LOG", Bytes("trip two")));  // same name and size
    EXPECT_FALSE(again.Holds("0602.LOG", Bytes("trip one")));
    EXPECT_TRUE(again.HoldsNameAndSize("0601.LOG", 8));
    EXPECT_FALSE(again.HoldsNameAndSize("0601.LOG", 9));
}

TEST(SavedLogRecord, ADamagedRecordIsReportedEmptyAndRebuilt) {
    test::TempDir good;
    std::string error;
    SavedLogRecord written = SavedLogRecord::Load(good.path(), error);
    ASSERT_TRUE(written.Add("A.LOG", Bytes("aaaa"), error));
    ASSERT_TRUE(written.Add("B.LOG", Bytes("bbbb"), error));
    const std::string intact = test::ReadText(good.path() / kSavedLogsFileName);

    struct Case {
        const char* what;
        std::string text;
        const char* why;
    };
    std::string altered = intact;
    altered[altered.find("A.LOG")] = 'C';
    const Case cases[] = {
        {"empty", "", "does not start as a record"},
        {"cut short", intact.substr(0, intact.size() - 10), "cut short or altered"},
        {"end line missing", intact.substr(0, intact.find("end ")), "cut short or altered"},
        {"a name altered", altered, "cut short or altered"},
        {"another file", "GPS=C:\\logs\n", "does not start as a record"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteBytes(dir.path() / kSavedLogsFileName, Bytes(c.text));
        std::string damage;
        SavedLogRecord record = SavedLogRecord::Load(dir.path(), damage);
        EXPECT_NE(damage.find(c.why), std::string::npos) << c.what << ": " << damage;
        EXPECT_NE(damage.find("started afresh"), std::string::npos) << c.what;
        EXPECT_TRUE(record.Entries().empty()) << c.what;
        ASSERT_TRUE(record.Add("D.LOG", Bytes("dd"), error)) << c.what << ": " << error;
        const SavedLogRecord rebuilt = SavedLogRecord::Load(dir.path(), damage);
        EXPECT_EQ(damage, "") << c.what;
        const SavedLogEntry d{"D.LOG", 2, LogContentHash(Bytes("dd")), OutputFormats{}};
        EXPECT_EQ(rebuilt.Entries(), std::vector<SavedLogEntry>{d}) << c.what;
    }
}

TEST(SavedLogRecord, AFailedWriteKeepsTheRecordAsItWas) {
    test::TempDir dir;
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    ASSERT_TRUE(record.Add("A.LOG", Bytes("a"), error));
    // A folder in the record's place: it can be neither replaced nor read.
    std::filesystem::remove(dir.path() / kSavedLogsFileName);
    std::filesystem::create_directory(dir.path() / kSavedLogsFileName);
    EXPECT_FALSE(record.Add("B.LOG", Bytes("b"), error));
    EXPECT_NE(error.find("cannot update the record of saved logs"), std::string::npos) << error;
    EXPECT_FALSE(record.Holds("B.LOG", Bytes("b")));
    EXPECT_TRUE(record.Holds("A.LOG", Bytes("a")));
    std::string damage;
    const SavedLogRecord again = SavedLogRecord::Load(dir.path(), damage);
    EXPECT_NE(damage.find("is not a file"), std::string::npos) << damage;
    EXPECT_TRUE(again.Entries().empty());
}

// The record as the first versions wrote it: no formats on its lines.
std::string RecordOfTheFirstLayout(const std::string& lines) {
    std::string text = "kvd2730 saved logs 1\n" + lines;
    char end[32];
    std::snprintf(end, sizeof end, "end %016llx\n",
                  static_cast<unsigned long long>(LogContentHash(Bytes(text))));
    return text + end;
}

std::string HashText(std::string_view bytes) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(LogContentHash(Bytes(bytes))));
    return text;
}

TEST(SavedLogRecord, NotesTheFormatsEachLogWasSavedIn) {
    test::TempDir dir;
    // A record of the first layout: its logs were saved as KML.
    test::WriteBytes(dir.path() / kSavedLogsFileName,
                     Bytes(RecordOfTheFirstLayout("8 " + HashText("trip one") + " 0601.LOG\n" +
                                                  "1 " + HashText("x") + " kml x.LOG\n")));
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    ASSERT_EQ(error, "");
    const OutputFormats kml{}, gpx{.kml = false, .gpx = true}, both{.kml = true, .gpx = true};
    EXPECT_TRUE(record.HoldsNameAndSize("0601.LOG", 8, kml));
    EXPECT_FALSE(record.HoldsNameAndSize("0601.LOG", 8, gpx));
    EXPECT_TRUE(record.Holds("kml x.LOG", Bytes("x")));  // a name may hold spaces

    // Written in the first layout while every log is KML alone, which older tools read.
    ASSERT_TRUE(record.Add("0602.LOG", Bytes("trip two"), error, kml)) << error;
    EXPECT_TRUE(
        test::ReadText(dir.path() / kSavedLogsFileName).starts_with("kvd2730 saved logs 1\n"));

    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error, gpx)) << error;
    ASSERT_TRUE(record.Add("0603.LOG", Bytes("trip three"), error, gpx)) << error;
    const SavedLogRecord again = SavedLogRecord::Load(dir.path(), error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(again.Entries().size(), 4u);  // a format more is no line more
    EXPECT_TRUE(again.HoldsNameAndSize("0601.LOG", 8, both));
    EXPECT_TRUE(again.Holds("kml x.LOG", Bytes("x"), kml));
    EXPECT_FALSE(again.Holds("kml x.LOG", Bytes("x"), gpx));
    EXPECT_TRUE(again.HoldsNameAndSize("0602.LOG", 8, kml));
    EXPECT_FALSE(again.HoldsNameAndSize("0602.LOG", 8, both));
    EXPECT_TRUE(again.HoldsNameAndSize("0603.LOG", 10, gpx));
    EXPECT_FALSE(again.HoldsNameAndSize("0603.LOG", 10, kml));
    const RowEntry row{"0603.LOG", 10, false};
    EXPECT_FALSE(IsNewLog(again, row, gpx));
    EXPECT_TRUE(IsNewLog(again, row, both));
}

TEST(SavedLogRecord, KmzIsAFormatOfItsOwn) {
    test::TempDir dir;
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    const OutputFormats kml{}, kmz{.kml = false, .kmz = true},
        all{.kml = true, .gpx = true, .kmz = true};
    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error, kmz, {{"0601.LOG.kmz", 5}}))
        << error;
    ASSERT_TRUE(record.Add("0602.LOG", Bytes("trip two"), error, kml)) << error;
    ASSERT_TRUE(record.Add("0602.LOG", Bytes("trip two"), error, {.kml = false, .gpx = true}))
        << error;
    ASSERT_TRUE(record.Add("0602.LOG", Bytes("trip two"), error, kmz)) << error;
    const std::string text = test::ReadText(dir.path() / kSavedLogsFileName);
    EXPECT_NE(text.find(" kmz 0601.LOG\t"), std::string::npos) << text;
    EXPECT_NE(text.find(" kml,kmz,gpx 0602.LOG\n"), std::string::npos) << text;

    const SavedLogRecord again = SavedLogRecord::Load(dir.path(), error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(again.Entries(), record.Entries());
    EXPECT_TRUE(again.HoldsNameAndSize("0601.LOG", 8, kmz));
    EXPECT_FALSE(again.HoldsNameAndSize("0601.LOG", 8, kml));  // a KMZ is no KML file
    EXPECT_TRUE(again.HoldsNameAndSize("0602.LOG", 8, all));
    EXPECT_TRUE(again.WroteFileFor("0601.LOG", Bytes("trip one"), "0601.LOG.kmz", 5));
}

TEST(SavedLogRecord, KnowsWhichFilesEachLogsSavingWrote) {
    test::TempDir dir;
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    const OutputFormats both{.kml = true, .gpx = true};
    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error, {}, {{"0601 (2).LOG.kml", 11}}))
        << error;
    ASSERT_TRUE(record.Add("0601.LOG", Bytes("trip one"), error, both,
                           {{"0601 (2).LOG.kml", 12}, {"0601 (2).LOG.gpx", 13}}))
        << error;
    ASSERT_TRUE(record.Add("0602.LOG", Bytes("trip two"), error, {}, {{"bad\tname", 1}})) << error;
    const SavedLogRecord again = SavedLogRecord::Load(dir.path(), error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(again.Entries(), record.Entries());
    ASSERT_EQ(again.Entries().size(), 2u);
    EXPECT_EQ(again.Entries()[0].files,
              (std::vector<SavedFile>{{"0601 (2).LOG.kml", 12}, {"0601 (2).LOG.gpx", 13}}));
    EXPECT_TRUE(again.Entries()[1].files.empty());  // a name no line can hold is left out
    EXPECT_TRUE(again.WroteFileFor("0601.LOG", Bytes("trip one"), "0601 (2).LOG.gpx", 13));
    EXPECT_FALSE(again.WroteFileFor("0601.LOG", Bytes("trip one"), "0601 (2).LOG.kml", 11));
    EXPECT_FALSE(again.WroteFileFor("0601.LOG", Bytes("trip 1!!"), "0601 (2).LOG.gpx", 13));
    EXPECT_FALSE(again.WroteFileFor("0602.LOG", Bytes("trip two"), "bad\tname", 1));
}

TEST(SavedLogRecord, RunsNotingLogsAtOnceKeepEveryLine) {
    // Two processes, each loading the record once and noting its logs one by one as get --new
    // does, started together.
    test::TempDir dir;
    constexpr int kLogsEach = 40;
    const auto logName = [](int run, int k) {
        return std::to_string(run) + "-" + std::to_string(k) + ".LOG";
    };
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> runs;
    for (int run = 0; run < 2; ++run) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char go;
            [[maybe_unused]] const ssize_t opened = ::read(gate[0], &go, 1);  // 0 at the start
            std::string error;
            SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
            bool noted = error.empty();
            for (int k = 0; k < kLogsEach && noted; ++k)
                noted = record.Add(logName(run, k), Bytes(logName(run, k)), error);
            ::_exit(noted ? 0 : 1);
        }
        runs.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : runs) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string damage;
    const SavedLogRecord record = SavedLogRecord::Load(dir.path(), damage);
    EXPECT_EQ(damage, "");
    EXPECT_EQ(record.Entries().size(), 2u * kLogsEach);
    for (int run = 0; run < 2; ++run)
        for (int k = 0; k < kLogsEach; ++k)
            EXPECT_TRUE(record.Holds(logName(run, k), Bytes(logName(run, k)))) << logName(run, k);
}

}  // namespace
}  // namespace kvd
