// get --new and list -o against the virtual device: only what the folder does not hold is
// downloaded, a different trip under an old name is new, and a log whose download was cut
// off is taken again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

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

// A log of the given start, under a device name that repeats every year.
std::vector<uint8_t> TripStarting(int year, int minute, int second, uint32_t fixes) {
    SyntheticTrip trip = MakeSyntheticTripBlocks(static_cast<uint64_t>(year), fixes, 1);
    trip.header.year = static_cast<uint16_t>(year);
    trip.header.month = 8;
    trip.header.day = 23;
    trip.header.hour = 17;
    trip.header.minute = static_cast<uint8_t>(minute);
    trip.header.second = static_cast<uint8_t>(second);
    return EncodeLog(trip.header, trip.fixes);
}

// --name date: trips a year apart under one device name get files of their own, two trips of
// the same minute still do not overwrite each other, and --new knows a log saved under a
// date name by the device's name and bytes.
TEST(CliNameByDate, NamesByTheStartAndNewStillKnowsTheLogs) {
    test::TempDir dir;
    const std::vector<uint8_t> logs[] = {TripStarting(2014, 21, 8, 10),
                                         TripStarting(2015, 21, 8, 12),
                                         TripStarting(2015, 21, 40, 14)};
    std::vector<std::string> args;
    for (std::size_t k = 0; k < std::size(logs); ++k) {
        const auto folder = dir.path() / ("from" + std::to_string(k));
        std::filesystem::create_directories(folder);
        test::WriteBytes(folder / "08231721.LOG", logs[k]);
        args.insert(args.end(),
                    {"--log", std::to_string(k) + "=" + (folder / "08231721.LOG").string()});
    }
    test::SimProcess sim(args);
    const auto out = dir.path() / "trips";
    const std::string get = "TZ=UTC " + OnPort(sim) + " get --all --new -o " + Quote(out.string());

    const test::CommandResult first = RunCommand(get + " --name date");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const std::vector<std::string> expected{"2014-08-23_1721.kml", "2015-08-23_1721 (2).kml",
                                            "2015-08-23_1721.kml"};
    EXPECT_EQ(Written(first.output), expected) << first.output;

    for (const char* naming : {" --name date", " --name device", ""}) {
        const test::CommandResult again = RunCommand(get + naming);
        EXPECT_EQ(again.exitCode, 0) << naming << "\n" << again.output;
        EXPECT_NE(again.output.find("no new logs for this folder"), std::string::npos)
            << naming << "\n"
            << again.output;
    }

    // The same trips converted from files: the start names them, not the file's name.
    const auto converted = dir.path() / "converted";
    const test::CommandResult convert =
        RunCommand("TZ=UTC " + Cli() + " --offline convert --name date " +
                   Quote((dir.path() / "from0" / "08231721.LOG").string()) + " " +
                   Quote((dir.path() / "from1" / "08231721.LOG").string()) + " -o " +
                   Quote(converted.string()));
    ASSERT_EQ(convert.exitCode, 0) << convert.output;
    EXPECT_EQ(FilesIn(converted),
              (std::vector<std::string>{"2014-08-23_1721.kml", "2015-08-23_1721.kml"}));
}

// The slots the device was told to delete, from its journal.
std::vector<int> DeletedSlots(const std::filesystem::path& journal) {
    std::vector<int> slots;
    const std::string text = test::ReadText(journal);
    for (std::size_t at = 0; (at = text.find("DeleteLog ", at)) != std::string::npos; at += 10)
        slots.push_back(text[at + 10] - '0');
    return slots;
}

// --delete-saved deletes a log only once its files are written, noted and read back: one that
// could not be converted, or whose record could not be written, stays on the device.
TEST(CliDeleteSaved, DeletesOnlyWhatWasSavedAndReadBack) {
    struct Case {
        const char* name;
        bool unconvertibleSlot1;
        bool recordUnwritable;
        int exitCode;
        std::vector<int> deleted;
    };
    const Case cases[] = {
        {"all saved", false, false, 0, {0, 1}},
        {"slot 1 kept raw", true, false, 3, {0}},
        {"the record cannot be written", false, true, 3, {}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto journal = dir.path() / "journal";
        const auto bad = dir.path() / "BAD.LOG";
        test::WriteBytes(bad, {1, 2, 3});
        std::vector<std::string> args{"--trips",   c.unconvertibleSlot1 ? "1" : "2",
                                      "--fixes",   "20",
                                      "--journal", journal.string()};
        if (c.unconvertibleSlot1) args.insert(args.end(), {"--log", "1=" + bad.string()});
        test::SimProcess sim(args);
        const auto out = dir.path() / "trips";
        std::filesystem::create_directories(out);
        if (c.recordUnwritable) std::filesystem::create_directory(out / kSavedLogsFileName);
        const test::CommandResult run = RunCommand(OnPort(sim) + " get --all --new --delete-saved" +
                                                   " -o " + Quote(out.string()) + " </dev/null");
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << "\n" << run.output;
        EXPECT_EQ(DeletedSlots(journal), c.deleted) << c.name << "\n" << run.output;
        for (const int slot : c.deleted)
            EXPECT_NE(run.output.find("deleted slot " + std::to_string(slot) + " ("),
                      std::string::npos)
                << c.name << "\n"
                << run.output;
        EXPECT_EQ(test::LogNames(sim.Port()).value().size(), 2u - c.deleted.size()) << c.name;
    }
    const test::CommandResult withoutNew =
        RunCommand(Cli() + " --port /dev/null get --all --delete-saved");
    EXPECT_EQ(withoutNew.exitCode, 2) << withoutNew.output;
}

// A cancel before the delete step deletes nothing, not even the log saved before it.
TEST(CliDeleteSaved, ACancelDeletesNothing) {
    test::TempDir dir;
    const auto journal = dir.path() / "journal";
    test::SimProcess sim({"--trips", "2", "--fixes", "300", "--fault", "stall:2@GetLog 1",
                          "--fault-once", "--journal", journal.string()});
    const auto out = dir.path() / "trips";
    const pid_t pid =
        test::Spawn({test::ProgramPath("KVD2730_CLI", KVD2730_CLI_PATH), "--port", sim.Port(),
                     "--offline", "get", "0", "1", "--new", "--delete-saved", "-o", out.string()});
    std::this_thread::sleep_for(std::chrono::seconds(1));  // well into the silence
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(FilesIn(out).size(), 3u);  // slot 0's file, the record and its lock
    EXPECT_EQ(DeletedSlots(journal), std::vector<int>{});
    EXPECT_EQ(test::LogNames(sim.Port()).value().size(), 2u);
}

}  // namespace
}  // namespace kvd
