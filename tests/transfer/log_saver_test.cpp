// Saving downloaded logs: names that never replace another log's file, raw logs kept when the
// conversion fails, and a conversion that stops at the cancel request.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "common/atomic_file.h"
#include "common/same_content.h"
#include "gpslog/log_format.h"
#include "shell/shell.h"
#include "test_support.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

using test::NamesIn;

SaveOptions In(const test::TempDir& dir) {
    SaveOptions options;
    options.folder = dir.str();
    return options;
}

TEST(CandidateName, TheSuffixGoesBeforeTheExtension) {
    struct Case {
        const char* name;
        int k;
        const char* expected;
    };
    for (const Case& c :
         {Case{"08231721.LOG", 1, "08231721.LOG"}, Case{"08231721.LOG", 2, "08231721 (2).LOG"},
          Case{"trip", 3, "trip (3)"}, Case{"a.b.LOG", 2, "a.b (2).LOG"}})
        EXPECT_EQ(CandidateName(c.name, c.k), c.expected) << c.name;
}

TEST(LogSaver, SameNamesNeverReplaceAnotherLogsFile) {
    const std::vector<uint8_t> first = MakeSyntheticTrip(1, 40, 1);
    const std::vector<uint8_t> second = MakeSyntheticTrip(2, 40, 1);
    test::TempDir dir;
    {
        // One run: two different trips under one device name.
        LogSaver saver(In(dir));
        EXPECT_TRUE(saver.Save(first, dir.str(), "trip.LOG").Succeeded());
        const SavedLog& other = saver.Save(second, dir.str(), "trip.LOG");
        ASSERT_TRUE(other.Succeeded()) << other.conversionError;
        EXPECT_EQ(other.written,
                  std::vector<std::filesystem::path>{dir.path() / "trip (2).LOG.kml"});
    }
    const auto before = test::ReadBytes(dir.path() / "trip.LOG.kml");
    {
        // A later run: the same log again takes its own file back; a third trip a new name.
        LogSaver saver(In(dir));
        EXPECT_EQ(saver.Save(second, dir.str(), "trip.LOG").written,
                  std::vector<std::filesystem::path>{dir.path() / "trip (2).LOG.kml"});
        EXPECT_EQ(saver.Save(MakeSyntheticTrip(3, 40, 1), dir.str(), "trip.LOG").written,
                  std::vector<std::filesystem::path>{dir.path() / "trip (3).LOG.kml"});
    }
    EXPECT_EQ(test::ReadBytes(dir.path() / "trip.LOG.kml"), before);
    EXPECT_EQ(NamesIn(dir.path()),
              (std::vector<std::string>{"trip (2).LOG.kml", "trip (3).LOG.kml", "trip.LOG.kml"}));
}

TEST(LogSaver, KeepsTheRawLogOfALogThatCannotBeConverted) {
    const std::vector<uint8_t> broken{1, 2, 3};
    test::TempDir dir;
    test::WriteBytes(dir.path() / "bad.LOG", {9, 9});  // another log's raw file, kept
    LogSaver saver(In(dir));
    const SavedLog& log = saver.Save(broken, dir.str(), "bad.LOG");
    EXPECT_EQ(log.result, SaveResult::KeptRaw);
    ASSERT_EQ(log.written, std::vector<std::filesystem::path>{dir.path() / "bad (2).LOG"});
    EXPECT_EQ(test::ReadBytes(dir.path() / "bad (2).LOG"), broken);
    EXPECT_EQ(test::ReadBytes(dir.path() / "bad.LOG"), (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(DescribeSavedLog(log, kLangIdEnglishUs),
              "bad.LOG could not be converted (" + log.conversionError +
                  "); the raw log was saved as " + (dir.path() / "bad (2).LOG").string());
    EXPECT_NE(log.conversionError.find("shorter"), std::string::npos) << log.conversionError;
}

TEST(LogSaver, KeepRawWritesBothUnderOneName) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 10, 1);
    test::TempDir dir;
    test::WriteBytes(dir.path() / "t.LOG", {7});  // a different raw log under the name
    SaveOptions options = In(dir);
    options.keepRaw = true;
    LogSaver saver(options);
    EXPECT_EQ(saver.Save(trip, dir.str(), "t.LOG").written,
              (std::vector<std::filesystem::path>{dir.path() / "t (2).LOG",
                                                  dir.path() / "t (2).LOG.kml"}));
}

TEST(LogSaver, AFileAnotherRunGaveTheNameMeanwhileIsNeverReplaced) {
    // Another run saves its log of the same name into the folder at the one moment that
    // matters: after this saver chose its name, before the name is given.
    const std::vector<uint8_t> tripA = MakeSyntheticTrip(1, 40, 1);
    const std::vector<uint8_t> tripB = MakeSyntheticTrip(2, 40, 1);
    const std::vector<uint8_t> brokenA{1, 2, 3}, brokenB{4, 5, 6, 7};
    struct Case {
        const char* what;
        OutputFormats formats;
        bool keepRaw;
        const std::vector<uint8_t>& mine;
        const std::vector<uint8_t>& theirs;
        const char* myStem;  // the name my files share afterwards
    };
    const Case cases[] = {
        {"kml", {}, false, tripA, tripB, "06011200 (2).LOG"},
        {"kml and gpx", {.kml = true, .gpx = true}, false, tripA, tripB, "06011200 (2).LOG"},
        {"gpx", {.kml = false, .gpx = true}, false, tripA, tripB, "06011200 (2).LOG"},
        {"kml and the raw log", {}, true, tripA, tripB, "06011200 (2).LOG"},
        {"raw log of a broken one", {}, false, brokenA, brokenB, "06011200 (2).LOG"},
        {"the same log", {.kml = true, .gpx = true}, true, tripA, tripA, "06011200.LOG"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        SaveOptions options = In(dir);
        options.formats = c.formats;
        options.keepRaw = c.keepRaw;
        LogSaver other(options);
        std::map<std::filesystem::path, std::vector<uint8_t>> theirFiles;
        options.beforeFinalName = [&](const std::filesystem::path&) {
            if (!theirFiles.empty()) return;
            for (const auto& path : other.Save(c.theirs, dir.str(), "06011200.LOG").written)
                theirFiles[path] = test::ReadBytes(path);
        };
        LogSaver saver(options);
        const SavedLog& mine = saver.Save(c.mine, dir.str(), "06011200.LOG");
        EXPECT_TRUE(mine.result == SaveResult::Converted || mine.result == SaveResult::KeptRaw)
            << c.what << ": " << mine.conversionError << mine.rawError;
        ASSERT_FALSE(theirFiles.empty()) << c.what;
        for (const auto& [path, bytes] : theirFiles)
            EXPECT_EQ(test::ReadBytes(path), bytes) << c.what << ": " << path;
        ASSERT_FALSE(mine.written.empty()) << c.what;
        std::set<std::string> names;
        for (const auto& path : mine.written) {
            EXPECT_EQ(path.parent_path(), dir.path()) << c.what;
            EXPECT_TRUE(path.filename().string().starts_with(c.myStem)) << c.what << ": " << path;
            names.insert(path.filename().string());
            if (path.extension() == ".LOG") {
                EXPECT_EQ(test::ReadBytes(path), c.mine) << c.what;
            }
        }
        for (const auto& [path, bytes] : theirFiles) names.insert(path.filename().string());
        // Every file on disk is one of the two logs': nothing else, no temporary file.
        EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>(names.begin(), names.end()))
            << c.what;
    }
}

TEST(LogSaver, ALogNamedLikeOurOwnFilesOrAWindowsDeviceGetsASafeName) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 10, 1);
    const std::vector<uint8_t> broken{1, 2, 3};
    test::TempDir dir;
    std::string error;
    SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
    ASSERT_TRUE(record.Add("earlier.LOG", broken, error)) << error;
    const auto recordBytes = test::ReadBytes(dir.path() / kSavedLogsFileName);
    const std::string temporary = TemporaryFileName(1);
    struct Case {
        std::string device;
        std::string file;  // the name the log's files share
    };
    const Case cases[] = {
        {kSavedLogsFileName, std::string("_") + kSavedLogsFileName},
        {kSavedLogsLockName, std::string("_") + kSavedLogsLockName},
        {".KVD2730-SAVED", "_.KVD2730-SAVED"},
        {temporary, "_" + temporary},
        {"NUL.LOG", "_NUL.LOG"},
        {"con", "_con"},
        {"COM1.LOG", "_COM1.LOG"},
        {"LPT9.LOG", "_LPT9.LOG"},
        {"aux.log", "_aux.log"},
        {"COM10.LOG", "COM10.LOG"},
        {"kvd2730-saved", "kvd2730-saved"},
    };
    SaveOptions options = In(dir);
    options.keepRaw = true;
    LogSaver saver(options);
    for (const Case& c : cases) {
        EXPECT_EQ(LogFileName(c.device), c.file);
        EXPECT_EQ(saver.Save(trip, dir.str(), c.device).written,
                  (std::vector<std::filesystem::path>{dir.path() / c.file,
                                                      dir.path() / (c.file + ".kml")}))
            << c.device;
        EXPECT_EQ(test::ReadBytes(dir.path() / c.file), trip) << c.device;
        // One that cannot be converted is kept raw under the safe name too.
        const SavedLog& kept = saver.Save(broken, dir.str(), c.device);
        EXPECT_EQ(kept.result, SaveResult::KeptRaw) << c.device;
        EXPECT_EQ(kept.written,
                  std::vector<std::filesystem::path>{dir.path() / CandidateName(c.file, 2)})
            << c.device;
    }
    EXPECT_EQ(test::ReadBytes(dir.path() / kSavedLogsFileName), recordBytes);
}

TEST(LogSaver, ALinkHoldsItsNameAndStaysALink) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 10, 1);
    test::TempDir dir;
    // The same log saved elsewhere: a link to it holds exactly what would be written.
    const auto elsewhere = dir.path() / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    SaveOptions options = In(dir);
    options.keepRaw = true;
    options.folder = elsewhere.string();
    ASSERT_TRUE(LogSaver(options).Save(trip, elsewhere.string(), "t.LOG").Succeeded());
    test::WriteBytes(elsewhere / "other", {7});
    struct Case {
        const char* what;
        const char* target;  // in elsewhere; "gone" is not there
        bool broken;         // the log cannot be converted and is kept raw
    };
    const Case cases[] = {
        {"a dangling link", "gone", false},
        {"a link to the same log's file", nullptr, false},
        {"a link to another file", "other", false},
        {"a dangling link where a raw log goes", "gone", true},
        {"a link to the same raw log", nullptr, true},
    };
    for (const Case& c : cases) {
        test::TempDir out;
        const std::vector<uint8_t> bytes = c.broken ? std::vector<uint8_t>{1, 2} : trip;
        if (c.broken && !c.target) test::WriteBytes(elsewhere / "t-broken.LOG", bytes);
        // Every name the log's files could take first is a link.
        for (const char* name : {"t.LOG", "t.LOG.kml"}) {
            const char* target = c.target ? c.target : c.broken ? "t-broken.LOG" : name;
            std::filesystem::create_symlink(elsewhere / target, out.path() / name);
        }
        SaveOptions here = In(out);
        here.keepRaw = !c.broken;
        LogSaver saver(here);
        const SavedLog& log = saver.Save(bytes, out.str(), "t.LOG");
        ASSERT_FALSE(log.written.empty()) << c.what << ": " << log.rawError;
        EXPECT_EQ(log.written.front(), out.path() / "t (2).LOG") << c.what;
        EXPECT_EQ(test::ReadBytes(out.path() / "t (2).LOG"), bytes) << c.what;
        for (const char* name : {"t.LOG", "t.LOG.kml"})
            EXPECT_TRUE(std::filesystem::is_symlink(out.path() / name)) << c.what << ": " << name;
    }
    EXPECT_EQ(NamesIn(elsewhere),
              (std::vector<std::string>{"other", "t-broken.LOG", "t.LOG", "t.LOG.kml"}));
    EXPECT_EQ(test::ReadBytes(elsewhere / "t.LOG"), trip);
    EXPECT_EQ(test::ReadBytes(elsewhere / "other"), std::vector<uint8_t>{7});
}

TEST(LogSaver, TheSameLogConvertedAnotherWayTakesBackOnlyTheFilesTheRecordSaysAreItsOwn) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 10, 1);
    const std::vector<uint8_t> otherTrip = MakeSyntheticTrip(2, 10, 1);
    struct Case {
        const char* what;
        bool withRecord;                    // the run keeps the folder's record (get --new)
        const std::vector<uint8_t>& noted;  // the log the record notes the file for
        bool editedSince;
        bool link;  // the KML's name holds a link to the noted file
        bool replaced;
    };
    const Case cases[] = {
        {"the record's own file of the log", true, trip, false, false, true},
        {"no record to say so", false, trip, false, false, false},
        {"a file edited since", true, trip, true, false, false},
        {"another trip's file of the same name", true, otherTrip, false, false, false},
        {"a link to the log's file", true, trip, false, true, false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto kml = dir.path() / "t.LOG.kml";
        const auto stored = c.link ? dir.path() / "elsewhere.kml" : kml;
        std::string error;
        SavedLogRecord record = SavedLogRecord::Load(dir.path(), error);
        {
            // Saved in one zone, as get --new notes it.
            test::ScopedTimeZone zone("UTC");
            LogSaver saver(In(dir));
            const SavedLog& first = saver.Save(c.noted, dir.str(), "t.LOG");
            ASSERT_EQ(first.written, std::vector<std::filesystem::path>{kml}) << c.what;
            ASSERT_TRUE(
                record.Add("t.LOG", c.noted, error, {}, {{"t.LOG.kml", first.writtenHashes.at(0)}}))
                << error;
        }
        if (c.link) {
            std::filesystem::rename(kml, stored);
            std::filesystem::create_symlink(stored, kml);
        }
        if (c.editedSince) {
            std::ofstream(kml, std::ios::binary | std::ios::app) << "<!-- mine -->";
        }
        const auto before = test::ReadBytes(stored);

        test::ScopedTimeZone zone("Asia/Tokyo");
        SaveOptions options = In(dir);
        options.formats = {.kml = true, .gpx = true};
        if (c.withRecord) options.record = &record;
        LogSaver saver(options);
        const SavedLog& again = saver.Save(trip, dir.str(), "t.LOG");
        const std::string stem = c.replaced ? "t.LOG" : "t (2).LOG";
        EXPECT_EQ(again.written, (std::vector<std::filesystem::path>{dir.path() / (stem + ".kml"),
                                                                     dir.path() / (stem + ".gpx")}))
            << c.what;
        ASSERT_EQ(again.writtenHashes.size(), 2u) << c.what;
        EXPECT_EQ(FileContentHash(again.written[0]), again.writtenHashes[0]) << c.what;
        if (c.replaced) {
            EXPECT_NE(test::ReadBytes(kml), before) << c.what;  // the new conversion
        } else {
            EXPECT_EQ(test::ReadBytes(stored), before) << c.what;
            EXPECT_EQ(std::filesystem::is_symlink(kml), c.link) << c.what;
        }
    }
}

struct ProgressLog {
    std::vector<int32_t> percents;
    int abortInFile = -1;  // asks to stop at the first report of that file, counted from 0
    int file = 0;
    CancelRequest cancel;
};

void RecordProgress(void* context, int32_t percent, const char*) {
    auto& log = *static_cast<ProgressLog*>(context);
    log.percents.push_back(percent);
    if (log.file == log.abortInFile) log.cancel.Request();
    if (percent == 100) ++log.file;
}

TEST(LogSaver, ConversionReportsProgressAndStopsAtTheCancelRequest) {
    // Several output chunks: about 1.5 KiB of KML per fix.
    const std::vector<uint8_t> trip = MakeSyntheticTrip(4, 2000, 1);
    for (const bool abort : {false, true}) {
        test::TempDir dir;
        ProgressLog progress;
        progress.abortInFile = abort ? 0 : -1;
        SaveOptions options = In(dir);
        options.progress = RecordProgress;
        options.progressContext = &progress;
        options.cancel = &progress.cancel;
        LogSaver saver(options);
        const SavedLog& log = saver.Save(trip, dir.str(), "long.LOG");
        ASSERT_FALSE(progress.percents.empty());
        if (abort) {
            EXPECT_EQ(log.result, SaveResult::Cancelled);
            EXPECT_TRUE(log.written.empty());
            EXPECT_TRUE(NamesIn(dir.path()).empty());  // no KML, no temporary file, no raw log
            EXPECT_EQ(progress.percents.size(), 1u);
        } else {
            EXPECT_TRUE(log.Succeeded());
            EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
            EXPECT_GT(progress.percents.size(), 3u);
            EXPECT_EQ(progress.percents.back(), 100);
        }
    }
}

TEST(LogSaver, AllFormatsOfALogShareOneFreeName) {
    const std::vector<uint8_t> first = MakeSyntheticTrip(1, 40, 1);
    const std::vector<uint8_t> second = MakeSyntheticTrip(2, 40, 1);
    test::TempDir dir;
    test::WriteBytes(dir.path() / "trip.LOG.gpx", {7});  // someone else's track, kept
    SaveOptions options = In(dir);
    options.formats = {.kml = true, .gpx = true};
    const auto pair = [&](const char* stem) {
        return std::vector<std::filesystem::path>{dir.path() / (std::string(stem) + ".kml"),
                                                  dir.path() / (std::string(stem) + ".gpx")};
    };
    {
        LogSaver saver(options);
        // trip.LOG.kml was free, but its GPX name was not: both move on, none stays behind.
        EXPECT_EQ(saver.Save(first, dir.str(), "trip.LOG").written, pair("trip (2).LOG"));
        EXPECT_EQ(saver.Save(second, dir.str(), "trip.LOG").written, pair("trip (3).LOG"));
    }
    {
        LogSaver saver(options);  // a later run takes the same trip's files back
        EXPECT_EQ(saver.Save(second, dir.str(), "trip.LOG").written, pair("trip (3).LOG"));
    }
    options.formats = {.kml = false, .gpx = true};
    LogSaver gpxOnly(options);
    EXPECT_EQ(gpxOnly.Save(first, dir.str(), "trip.LOG").written,
              std::vector<std::filesystem::path>{dir.path() / "trip (2).LOG.gpx"});
    EXPECT_EQ(test::ReadBytes(dir.path() / "trip.LOG.gpx"), std::vector<uint8_t>{7});
    EXPECT_EQ(NamesIn(dir.path()),
              (std::vector<std::string>{"trip (2).LOG.gpx", "trip (2).LOG.kml", "trip (3).LOG.gpx",
                                        "trip (3).LOG.kml", "trip.LOG.gpx"}));
}

TEST(LogSaver, ACancelDuringTheKmzLeavesNoFileOfTheLog) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(4, 2000, 1);
    struct Case {
        const char* what;
        OutputFormats formats;
        int abortInFile;
    };
    const Case cases[] = {
        {"kmz alone", {.kml = false, .kmz = true}, 0},
        {"kmz after a complete kml", {.kml = true, .kmz = true}, 1},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        ProgressLog progress;
        progress.abortInFile = c.abortInFile;
        SaveOptions options = In(dir);
        options.formats = c.formats;
        options.progress = RecordProgress;
        options.progressContext = &progress;
        options.cancel = &progress.cancel;
        LogSaver saver(options);
        const SavedLog& log = saver.Save(trip, dir.str(), "long.LOG");
        EXPECT_EQ(progress.file, c.abortInFile) << c.what;
        EXPECT_EQ(log.result, SaveResult::Cancelled) << c.what;
        EXPECT_TRUE(log.written.empty()) << c.what;
        EXPECT_TRUE(NamesIn(dir.path()).empty()) << c.what;  // no KMZ, KML or temporary file
    }
}

TEST(LogSaver, TheSameLogSavedAgainAsKmzIsTheFileAlreadyThere) {
    // A zip notes times; ours are fixed, or every run would take a new name for the same log.
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 40, 1);
    test::TempDir dir;
    SaveOptions options = In(dir);
    options.formats = {.kml = false, .kmz = true};
    const std::vector<std::filesystem::path> kmz{dir.path() / "trip.LOG.kmz"};
    EXPECT_EQ(LogSaver(options).Save(trip, dir.str(), "trip.LOG").written, kmz);
    const std::vector<uint8_t> first = test::ReadBytes(kmz[0]);
    const SavedLog again = LogSaver(options).Save(trip, dir.str(), "trip.LOG");
    EXPECT_TRUE(again.Succeeded());
    EXPECT_EQ(again.written, kmz);
    EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"trip.LOG.kmz"});
    EXPECT_EQ(test::ReadBytes(kmz[0]), first);
}

TEST(LogSaver, AnAbortDuringTheSecondFormatLeavesNoFileOfTheLog) {
    const std::vector<uint8_t> trip = MakeSyntheticTrip(4, 2000, 1);
    test::TempDir dir;
    ProgressLog progress;
    progress.abortInFile = 1;
    SaveOptions options = In(dir);
    options.formats = {.kml = true, .gpx = true};
    options.progress = RecordProgress;
    options.progressContext = &progress;
    options.cancel = &progress.cancel;
    LogSaver saver(options);
    const SavedLog& log = saver.Save(trip, dir.str(), "long.LOG");
    EXPECT_EQ(progress.file, 1);  // the KML was complete when the GPX was stopped
    EXPECT_EQ(log.result, SaveResult::Cancelled);
    EXPECT_TRUE(log.written.empty());
    EXPECT_TRUE(NamesIn(dir.path()).empty());
}

}  // namespace
}  // namespace kvd
