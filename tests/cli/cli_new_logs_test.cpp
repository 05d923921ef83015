// get --new and list -o against the virtual device: only what the folder does not hold is
// downloaded, a different trip under an old name is new, and a log whose download was cut
// off is taken again.
#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "gpslog/log_format.h"
#include "support/sim_process.h"
#include "transfer/saved_logs.h"

namespace kvd {
namespace {

using test::Cli;
using test::FilesIn;
using test::Quote;
using test::RunCommand;

std::string OnPort(const test::SimProcess& sim) {
    return Cli() + " --offline --port " + Quote(sim.Port());
}

// The .kml files a run printed, one a line on standard output.
std::vector<std::string> Written(const std::string& output) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = output.substr(start, end - start);
        if (line.ends_with(".kml")) names.push_back(std::filesystem::path(line).filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CliNewLogs, TakesOnlyWhatTheFolderDoesNotHold) {
    test::SimProcess sim({"--trips", "3", "--fixes", "40"});
    const std::vector<std::string> names = test::LogNames(sim.Port()).value();
    ASSERT_EQ(names.size(), 3u);
    test::TempDir dir;
    const std::string out = " -o " + Quote(dir.str());

    ASSERT_EQ(RunCommand(OnPort(sim) + " get 1 --new" + out).exitCode, 0);
    const test::CommandResult listed = RunCommand(OnPort(sim) + " list --json" + out);
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_NE(listed.output.find(names[0] + "\", \"size\": 656, \"new\": true"), std::string::npos)
        << listed.output;
    EXPECT_NE(listed.output.find(names[1] + "\", \"size\": 656, \"new\": false"), std::string::npos)
        << listed.output;

    const test::CommandResult second = RunCommand(OnPort(sim) + " get --all --new" + out);
    ASSERT_EQ(second.exitCode, 0) << second.output;
    std::vector<std::string> expected{names[0] + ".kml", names[2] + ".kml"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Written(second.output), expected) << second.output;

    const test::CommandResult third = RunCommand(OnPort(sim) + " get --all --new" + out);
    EXPECT_EQ(third.exitCode, 0) << third.output;
    EXPECT_NE(third.output.find("no new logs for this folder"), std::string::npos) << third.output;
    EXPECT_TRUE(Written(third.output).empty()) << third.output;
    EXPECT_EQ(RunCommand(OnPort(sim) + " list" + out).output.find("  new"), std::string::npos);
}

TEST(CliNewLogs, ADifferentTripUnderAnOldNameIsNew) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "a");
    std::filesystem::create_directories(dir.path() / "b");
    test::WriteBytes(dir.path() / "a" / "trip.LOG", MakeSyntheticTrip(1, 30, 1));
    test::WriteBytes(dir.path() / "b" / "trip.LOG", MakeSyntheticTrip(2, 31, 1));
    const auto out = dir.path() / "out";
    // The second trip is new, and takes a name of its own rather than the first one's file.
    for (const auto& [trip, kml] :
         {std::pair{"a", "trip.LOG.kml"}, std::pair{"b", "trip (2).LOG.kml"}}) {
        test::SimProcess sim(
            {"--log", std::string("0=") + (dir.path() / trip / "trip.LOG").string()});
        const test::CommandResult run =
            RunCommand(OnPort(sim) + " get --all --new -o " + Quote(out.string()));
        ASSERT_EQ(run.exitCode, 0) << trip << "\n" << run.output;
        EXPECT_EQ(Written(run.output), std::vector<std::string>{kml}) << trip;
    }
    std::string damage;
    EXPECT_EQ(SavedLogRecord::Load(out, damage).Entries().size(), 2u);
}

TEST(CliNewLogs, ALogCutOffTakesItsTurnAgain) {
    test::SimProcess sim(
        {"--trips", "3", "--fixes", "300", "--fault", "cancel@GetLog 1", "--fault-once"});
    const std::vector<std::string> names = test::LogNames(sim.Port()).value();
    test::TempDir dir;
    const std::string out = " -o " + Quote(dir.str());
    const test::CommandResult cut = RunCommand(OnPort(sim) + " get --all --new" + out);
    EXPECT_NE(cut.exitCode, 0) << cut.output;
    EXPECT_EQ(Written(cut.output), std::vector<std::string>{names[0] + ".kml"}) << cut.output;

    const test::CommandResult again = RunCommand(OnPort(sim) + " get --all --new" + out);
    ASSERT_EQ(again.exitCode, 0) << again.output;
    std::vector<std::string> rest{names[1] + ".kml", names[2] + ".kml"};
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(Written(again.output), rest) << again.output;
}

TEST(CliNewLogs, ADamagedRecordIsReportedAndEverythingIsNew) {
    test::SimProcess sim({"--trips", "2", "--fixes", "20"});
    test::TempDir dir;
    test::WriteBytes(dir.path() / kSavedLogsFileName, {'x', '\n'});
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " get --all --new -o " + Quote(dir.str()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("is damaged (it does not start as a record of saved logs)"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(Written(run.output).size(), 2u) << run.output;
    std::string damage;
    EXPECT_EQ(SavedLogRecord::Load(dir.path(), damage).Entries().size(), 2u);
    EXPECT_EQ(damage, "");
}

TEST(CliNewLogs, AFormatTheFolderLacksIsNew) {
    test::SimProcess sim({"--trips", "2", "--fixes", "20"});
    const std::vector<std::string> names = test::LogNames(sim.Port()).value();
    test::TempDir dir;
    const std::string out = " -o " + Quote(dir.str());
    ASSERT_EQ(RunCommand(OnPort(sim) + " get 0 --new" + out).exitCode, 0);
    // Whether the slot's log is new for the folder in the formats asked.
    const auto isNew = [&](const std::string& formats, std::size_t slot) {
        const test::CommandResult listed = RunCommand(OnPort(sim) + " list --json" + out + formats);
        const std::string entry = "\"" + names[slot] + "\", \"size\": 336, \"new\": ";
        const std::size_t at = listed.output.find(entry);
        EXPECT_NE(at, std::string::npos) << listed.output;
        return at != std::string::npos && listed.output.compare(at + entry.size(), 4, "true") == 0;
    };
    EXPECT_FALSE(isNew("", 0));
    EXPECT_TRUE(isNew(" --format gpx", 0));
    EXPECT_TRUE(isNew(" -f kml,gpx", 0));
    EXPECT_TRUE(isNew("", 1));

    const test::CommandResult gpx =
        RunCommand("{ " + OnPort(sim) + " get 0 --new -f gpx" + out + " 2>/dev/null; }");
    EXPECT_EQ(gpx.exitCode, 0) << gpx.output;
    EXPECT_EQ(gpx.output, (dir.path() / (names[0] + ".gpx")).string() + "\n");
    EXPECT_FALSE(isNew(" -f kml,gpx", 0));
    const test::CommandResult again = RunCommand(OnPort(sim) + " get 0 --new -f gpx" + out);
    EXPECT_NE(again.output.find("no new logs for this folder"), std::string::npos) << again.output;
    EXPECT_EQ(FilesIn(dir.path()),
              (std::vector<std::string>{kSavedLogsFileName, kSavedLogsLockName, names[0] + ".gpx",
                                        names[0] + ".kml"}));
}

TEST(CliNewLogs, AFormatAddedInAnotherZoneJoinsTheLogsOwnFiles) {
    test::SimProcess sim({"--trips", "1", "--fixes", "20"});
    const std::string name = test::LogNames(sim.Port()).value().at(0);
    test::TempDir dir;
    const std::string get = " get 0 --new -o " + Quote(dir.str());
    ASSERT_EQ(RunCommand("{ TZ=UTC " + OnPort(sim) + get + " 2>/dev/null; }").exitCode, 0);
    const auto kml = dir.path() / (name + ".kml");
    const auto before = test::ReadBytes(kml);
    // The KML differs in another zone; it is still this log's file, not another trip's.
    const test::CommandResult both =
        RunCommand("{ TZ=Asia/Tokyo " + OnPort(sim) + get + " -f kml,gpx 2>/dev/null; }");
    EXPECT_EQ(both.exitCode, 0) << both.output;
    EXPECT_EQ(both.output, kml.string() + "\n" + (dir.path() / (name + ".gpx")).string() + "\n");
    EXPECT_NE(test::ReadBytes(kml), before);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{kSavedLogsFileName, kSavedLogsLockName,
                                                             name + ".gpx", name + ".kml"}));
}

// The same with the zone given on the command line; the record does not note zones, so a run
// in a third zone with the same formats finds nothing new and leaves the files as they are.
TEST(CliNewLogs, ZoneOptionKeepsTheRecordsIdeaOfTheLogsFiles) {
    test::SimProcess sim({"--trips", "1", "--fixes", "20"});
    const std::string name = test::LogNames(sim.Port()).value().at(0);
    test::TempDir dir;
    const std::string get = " get 0 --new -o " + Quote(dir.str());
    ASSERT_EQ(RunCommand("{ TZ=UTC " + OnPort(sim) + get + " 2>/dev/null; }").exitCode, 0);
    const auto kml = dir.path() / (name + ".kml");
    const auto gpx = dir.path() / (name + ".gpx");
    const auto inUtc = test::ReadBytes(kml);
    const test::CommandResult both = RunCommand("{ TZ=UTC " + OnPort(sim) + get +
                                                " -f kml,gpx --zone Asia/Tokyo 2>/dev/null; }");
    EXPECT_EQ(both.exitCode, 0) << both.output;
    EXPECT_EQ(both.output, kml.string() + "\n" + gpx.string() + "\n");
    const auto inTokyo = test::ReadBytes(kml);
    EXPECT_NE(inTokyo, inUtc);
    const test::CommandResult third =
        RunCommand("{ TZ=UTC " + OnPort(sim) + get + " -f kml,gpx --zone -03:30 2>/dev/null; }");
    EXPECT_EQ(third.exitCode, 0) << third.output;
    EXPECT_EQ(third.output, "");
    EXPECT_EQ(test::ReadBytes(kml), inTokyo);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{kSavedLogsFileName, kSavedLogsLockName,
                                                             name + ".gpx", name + ".kml"}));
}

TEST(CliNewLogs, ARecordThatCannotBeUpdatedFailsTheRun) {
    test::SimProcess sim({"--trips", "2", "--fixes", "20"});
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / kSavedLogsFileName);
    const test::CommandResult run = RunCommand("{ " + OnPort(sim) + " get --all --new -o " +
                                               Quote(dir.str()) + " >/dev/null; }");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("cannot update the record of saved logs"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("summary: 2 logs saved, 2 not noted in the record of saved logs\n"),
              std::string::npos)
        << run.output;
}

TEST(CliNewLogs, ALogNamedLikeTheRecordNeitherReplacesItNorIsReplaced) {
    test::TempDir dir;
    const auto log = dir.path() / "device" / kSavedLogsFileName;
    std::filesystem::create_directories(log.parent_path());
    const std::vector<uint8_t> trip = MakeSyntheticTrip(1, 30, 1);
    test::WriteBytes(log, trip);
    test::SimProcess sim({"--log", "0=" + log.string()});
    const auto out = dir.path() / "out";
    const test::CommandResult run = RunCommand("{ " + OnPort(sim) + " get 0 --new --keep-raw -o " +
                                               Quote(out.string()) + " 2>/dev/null; }");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string raw = (out / (std::string("_") + kSavedLogsFileName)).string();
    EXPECT_EQ(run.output, raw + "\n" + raw + ".kml\n");
    EXPECT_EQ(test::ReadBytes(raw), trip);
    std::string damage;
    EXPECT_EQ(SavedLogRecord::Load(out, damage).Entries().size(), 1u) << damage;
    EXPECT_EQ(damage, "");
}

TEST(CliNewLogs, TwoRunsIntoOneFolderAtOnceNoteEveryLog) {
    // Two devices whose trips share some names (sizes differ, so every one is new).
    test::SimProcess first({"--trips", "3", "--fixes", "20", "--seed", "1"});
    test::SimProcess second({"--trips", "3", "--fixes", "21", "--seed", "2"});
    test::TempDir dir;
    const std::string get = " get --all --new -o " + Quote(dir.str()) + " >/dev/null 2>&1";
    const test::CommandResult runs =
        RunCommand("{ " + OnPort(first) + get + " & one=$!; " + OnPort(second) + get +
                   "; two=$?; wait $one; " + "echo \"$? $two\"; }");
    EXPECT_EQ(runs.output, "0 0\n");
    std::string damage;
    EXPECT_EQ(SavedLogRecord::Load(dir.path(), damage).Entries().size(), 6u) << damage;
    const std::vector<std::string> files = FilesIn(dir.path());
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& name) { return name.ends_with(".kml"); }),
              6)
        << ::testing::PrintToString(files);
    // So nothing is new for either device afterwards.
    for (const test::SimProcess* sim : {&first, &second}) {
        const test::CommandResult again =
            RunCommand(OnPort(*sim) + " get --all --new -o " + Quote(dir.str()));
        EXPECT_NE(again.output.find("no new logs for this folder"), std::string::npos)
            << again.output;
    }
}

}  // namespace
}  // namespace kvd
