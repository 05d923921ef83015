// What get and convert write, and what they say: a table of the tool's messages and exit
// statuses, names that never replace another trip's file, raw logs kept when the conversion
// fails, and folders checked before anything is downloaded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "cli_test_support.h"
#include "common/atomic_file.h"
#include "gpslog/log_format.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

using test::Cli;
using test::FilesIn;
using test::Quote;
using test::RunCommand;

// Two different trips both named trip.LOG, a log too short to convert, a good one, one whose
// last three fixes are past the last time a log can hold (in Tokyo), one that starts past it,
// and files that are no logs at all.
struct Logs {
    test::TempDir dir;
    std::filesystem::path tripA = dir.path() / "a" / "trip.LOG";
    std::filesystem::path tripB = dir.path() / "b" / "trip.LOG";
    std::filesystem::path broken = dir.path() / "bad.LOG";
    std::filesystem::path good = dir.path() / "good.LOG";
    std::filesystem::path late = dir.path() / "late.LOG";
    std::filesystem::path future = dir.path() / "future.LOG";
    std::filesystem::path gpx = dir.path() / "trip.gpx";
    std::filesystem::path picture = dir.path() / "photo.png";
    std::filesystem::path noise = dir.path() / "noise.bin";

    Logs() {
        std::filesystem::create_directories(tripA.parent_path());
        std::filesystem::create_directories(tripB.parent_path());
        test::WriteBytes(tripA, MakeSyntheticTrip(1, 30, 1));
        test::WriteBytes(tripB, MakeSyntheticTrip(2, 30, 1));
        test::WriteBytes(broken, {1, 2, 3});
        test::WriteBytes(good, MakeSyntheticTrip(3, 30, 1));
        const FixBlock fix{35681236, 139767125, 1500, 900, 0, 1};
        test::WriteBytes(late, EncodeLog({1, 3001, 1, 1, 8, 59, 58}, std::vector(5, fix)));
        test::WriteBytes(future, EncodeLog({1, 3001, 1, 1, 9, 0, 0}, std::vector(5, fix)));
        const std::string_view gpxText =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"x\"/>\n";
        test::WriteBytes(gpx, std::vector<uint8_t>(gpxText.begin(), gpxText.end()));
        test::WriteBytes(picture, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0,
                                   0,    13,  'I', 'H', 'D',  'R',  0,    0,    1, 0});
        std::vector<uint8_t> bytes(4096);
        for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 37 + 11);
        test::WriteBytes(noise, bytes);
    }
};

// The virtual device's arguments for logs in slots.
std::vector<std::string> Slots(std::initializer_list<std::pair<int, std::filesystem::path>> logs) {
    std::vector<std::string> args;
    for (const auto& [slot, path] : logs) {
        args.push_back("--log");
        args.push_back(std::to_string(slot) + "=" + path.string());
    }
    return args;
}

TEST(CliSaving, MessagesExitStatusesAndFiles) {
    test::ScopedTimeZone zone("Asia/Tokyo");  // the tool's, for the times it names
    Logs logs;
    const std::string leftOut =
        "3 fixes left out after 3001-01-01 08:59:59 local time, the latest a log can hold\n";
    struct Row {
        const char* name;
        std::vector<std::string> simulator;  // the virtual device's slots
        std::string command;                 // after "--port P --offline"; the folder is OUT
        int exitCode;
        std::string standardOutput;  // OUT stands for the folder
        std::string standardError;   // a part of it; OUT stands for the folder
        std::vector<std::string> files;
    };
    const Row rows[] = {
        {"SameNameTwice",
         Slots({{0, logs.tripA}, {1, logs.tripB}}),
         "get --all -o OUT",
         0,
         "OUT/trip.LOG.kml\nOUT/trip (2).LOG.kml\n",
         "summary: 2 logs saved\n",
         {"trip (2).LOG.kml", "trip.LOG.kml"}},
        {"SameNameTwiceInBothFormats",
         Slots({{0, logs.tripA}, {1, logs.tripB}}),
         "get --all -f kml,gpx -o OUT",
         0,
         "OUT/trip.LOG.kml\nOUT/trip.LOG.gpx\nOUT/trip (2).LOG.kml\nOUT/trip (2).LOG.gpx\n",
         "summary: 2 logs saved\n",
         {"trip (2).LOG.gpx", "trip (2).LOG.kml", "trip.LOG.gpx", "trip.LOG.kml"}},
        {"SameNameTwiceAsGpx",
         Slots({{0, logs.tripA}, {1, logs.tripB}}),
         "get --all --format gpx -o OUT",
         0,
         "OUT/trip.LOG.gpx\nOUT/trip (2).LOG.gpx\n",
         "summary: 2 logs saved\n",
         {"trip (2).LOG.gpx", "trip.LOG.gpx"}},
        {"BadLogIsKeptAndTheRestStillCome",
         Slots({{0, logs.broken}, {1, logs.good}, {5, logs.tripA}}),
         "get --all -o OUT",
         3,
         "OUT/bad.LOG\nOUT/good.LOG.kml\nOUT/trip.LOG.kml\n",
         "kvd2730-cli: get: bad.LOG could not be converted (log of 3 bytes is shorter",
         {"bad.LOG", "good.LOG.kml", "trip.LOG.kml"}},
        {"SummaryOfAMixedRun",
         Slots({{0, logs.broken}, {1, logs.good}}),
         "get 0 1 2 -o OUT",
         3,
         "OUT/bad.LOG\nOUT/good.LOG.kml\n",
         "summary: 1 log saved, 1 not converted (kept raw), 1 slot refused\n",
         {"bad.LOG", "good.LOG.kml"}},
        {"FixesPastTheTimeRangeAreLeftOutWithAWarning",
         Slots({{0, logs.late}}),
         "get 0 -o OUT",
         0,
         "OUT/late.LOG.kml\n",
         "kvd2730-cli: get: warning: late.LOG: " + leftOut,
         {"late.LOG.kml"}},
        {"ConvertWarnsOfTheFixesLeftOutToo",
         Slots({}),
         "convert " + Quote(logs.late.string()) + " -f kml,gpx -o OUT",
         0,
         logs.late.string() + " -> OUT/late.LOG.kml\n" + logs.late.string() +
             " -> OUT/late.LOG.gpx\n",
         logs.late.string() + ": warning: " + leftOut,
         {"late.LOG.gpx", "late.LOG.kml"}},
        {"AStartPastTheRangeNamesTheRange",
         Slots({{0, logs.future}}),
         "get 0 -o OUT",
         3,
         "OUT/future.LOG\n",
         "kvd2730-cli: get: future.LOG could not be converted (the log's start, 3001-01-01 "
         "09:00:00, is outside the times a log can hold: 1970-01-01 09:00:00 to 3001-01-01 "
         "08:59:59 local time); the raw log was saved as OUT/future.LOG\n",
         {"future.LOG"}},
        {"AGpxIsNoLogAndTheNextFileStillConverts",
         Slots({}),
         "convert " + Quote(logs.gpx.string()) + " " + Quote(logs.good.string()) + " -o OUT",
         3,
         logs.good.string() + " -> OUT/good.LOG.kml\n",
         logs.gpx.string() + ": failed: not a KVD-2730 log: it is XML text, such as a GPX or KML "
                             "file\n",
         {"good.LOG.kml"}},
        {"APictureIsNoLog",
         Slots({}),
         "convert " + Quote(logs.picture.string()) + " " + Quote(logs.good.string()) + " -o OUT",
         3,
         logs.good.string() + " -> OUT/good.LOG.kml\n",
         logs.picture.string() + ": failed: not a KVD-2730 log: it is a PNG picture\n",
         {"good.LOG.kml"}},
        {"RandomBytesAreNoLog",
         Slots({}),
         "convert " + Quote(logs.noise.string()) + " " + Quote(logs.good.string()) + " -o OUT",
         3,
         logs.good.string() + " -> OUT/good.LOG.kml\n",
         logs.noise.string() + ": failed: not a KVD-2730 log: its first 16 bytes hold no date "
                               "(month 125 is not 1-12)\n",
         {"good.LOG.kml"}},
        {"OutputIsAFile",
         Slots({{0, logs.good}}),
         "get 0 -o " + Quote(logs.good.string()),
         1,
         "",
         "kvd2730-cli get: " + logs.good.string() + " is not a folder\n",
         {}},
        {"NewLogsOfAFile",
         Slots({{0, logs.good}}),
         "get 0 --new -o " + Quote(logs.good.string()),
         1,
         "",
         "kvd2730-cli get: " + logs.good.string() + " is not a folder\n",
         {}},
        {"ListMarksForAFile",
         Slots({{0, logs.good}}),
         "list -o " + Quote(logs.good.string()),
         1,
         "",
         "kvd2730-cli list: " + logs.good.string() + " is not a folder\n",
         {}},
        {"MissingFolderUnderAFile",
         Slots({{0, logs.good}}),
         "get 0 -o " + Quote((logs.good / "trips").string()),
         1,
         "",
         "kvd2730-cli get: cannot make the folder " + (logs.good / "trips").string() + ": " +
             logs.good.string() + " is not a folder\n",
         {}},
        {"ConvertOfNothingConvertible",
         {},
         "convert " + Quote(logs.broken.string()) + " -o OUT",
         3,
         "",
         logs.broken.string() + ": failed: log of 3 bytes is shorter",
         {}},
    };
    for (const Row& row : rows) {
        test::SimProcess rowSim(row.simulator);
        test::TempDir out;
        const auto folder = out.path() / "saved";
        const auto fill = [&](std::string text) {
            for (std::size_t at; (at = text.find("OUT")) != std::string::npos;)
                text.replace(at, 3, folder.string());
            return text;
        };
        const std::string line =
            Cli() + " --port " + Quote(rowSim.Port()) + " --offline " + fill(row.command);
        const test::CommandResult stdoutOnly = RunCommand("{ " + line + " 2>/dev/null; }");
        EXPECT_EQ(stdoutOnly.exitCode, row.exitCode) << row.name << "\n" << stdoutOnly.output;
        EXPECT_EQ(stdoutOnly.output, fill(row.standardOutput)) << row.name;
        // Once more for standard error: the same log again replaces its own files.
        const test::CommandResult stderrOnly = RunCommand("{ " + line + " >/dev/null; }");
        EXPECT_NE(stderrOnly.output.find(fill(row.standardError)), std::string::npos)
            << row.name << "\n"
            << stderrOnly.output;
        if (row.files.empty())
            EXPECT_FALSE(std::filesystem::exists(folder)) << row.name;
        else
            EXPECT_EQ(FilesIn(folder), row.files) << row.name;
    }
}

TEST(CliSaving, ARunRemovesWhatAnAbruptlyEndedRunLeftHalfWritten) {
    Logs logs;
    test::SimProcess sim(Slots({{0, logs.good}}));
    test::TempDir out;
    const std::string leftover = TemporaryFileName(test::EndedProcessId());
    test::WriteBytes(out.path() / leftover, {1, 2});
    std::filesystem::last_write_time(
        out.path() / leftover,
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    const test::CommandResult run = RunCommand(Cli() + " --port " + Quote(sim.Port()) +
                                               " --offline get 0 -o " + Quote(out.str()));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FilesIn(out.path()), std::vector<std::string>{"good.LOG.kml"});
}

TEST(CliSaving, TheFolderIsCheckedFirstAndMadeOnlyOnceNeeded) {
    Logs logs;
    const auto fresh = logs.dir.path() / "new" / "folder";
    // No device: nothing to save, so no folder either.
    const test::CommandResult absent =
        RunCommand(Cli() + " --port /dev/kvd2730-absent get 0 -o " + Quote(fresh.string()));
    EXPECT_EQ(absent.exitCode, 1) << absent.output;
    EXPECT_FALSE(std::filesystem::exists(logs.dir.path() / "new"));
    // convert makes it as get does.
    const test::CommandResult converted = RunCommand(
        Cli() + " --offline convert " + Quote(logs.good.string()) + " -o " + Quote(fresh.string()));
    EXPECT_EQ(converted.exitCode, 0) << converted.output;
    EXPECT_EQ(FilesIn(fresh), std::vector<std::string>{"good.LOG.kml"});
    const test::CommandResult intoFile =
        RunCommand(Cli() + " --offline convert " + Quote(logs.good.string()) + " -o " +
                   Quote(logs.broken.string()));
    EXPECT_EQ(intoFile.exitCode, 1);
    EXPECT_EQ(intoFile.output,
              "kvd2730-cli convert: " + logs.broken.string() + " is not a folder\n");
}

TEST(CliSaving, AFolderThatCannotBeWrittenFailsBeforeTheDownload) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
    Logs logs;
    test::SimProcess sim(Slots({{0, logs.good}}));
    // The port is open to all, the folder (root's, 0755) is not writable for nobody.
    ASSERT_EQ(::chmod(sim.Port().c_str(), 0666), 0);
    std::filesystem::permissions(logs.dir.path(), std::filesystem::perms::owner_all |
                                                      std::filesystem::perms::group_read |
                                                      std::filesystem::perms::group_exec |
                                                      std::filesystem::perms::others_read |
                                                      std::filesystem::perms::others_exec);
    // A folder still to be made is named as given, not by the parent that refuses it.
    const std::string inside = (logs.dir.path() / "new" / "trips").string();
    const std::pair<std::string, std::string> cases[] = {
        {logs.dir.str(), "cannot write into " + logs.dir.str() + ": Permission denied"},
        {inside, "cannot make the folder " + inside + ": Permission denied"},
    };
    for (const auto& [folder, says] : cases) {
        const test::CommandResult run =
            RunCommand("setpriv --reuid=65534 --regid=65534 --clear-groups " + Cli() + " --port " +
                       Quote(sim.Port()) + " --offline get 0 -o " + Quote(folder));
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_EQ(run.output, "kvd2730-cli get: " + says + "\n");
    }
}

}  // namespace
}  // namespace kvd
