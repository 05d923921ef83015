// kvd2730-cli's device commands end to end against kvd2730-sim over pseudo-terminals.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli_test_support.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

using test::Cli;
using test::FilesIn;
using test::LogNames;
using test::Quote;
using test::RunCommand;
using test::Spawn;

std::string OnPort(const test::SimProcess& sim) { return Cli() + " --port " + Quote(sim.Port()); }

// Standard output alone, for output that other programs read.
test::CommandResult RunQuiet(const std::string& commandLine) {
    return RunCommand("{ " + commandLine + " 2>/dev/null; }");
}

TEST(CliDevice, ListAsJson) {
    test::SimProcess sim({"--trips", "2", "--fixes", "3"});
    const test::CommandResult run = RunQuiet(OnPort(sim) + " list --json");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.front(), '[');
    EXPECT_NE(run.output.find("{\"slot\": 0, \"name\": \""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\", \"size\": 64}"), std::string::npos)
        << run.output;  // 16 + 3 * 16
    EXPECT_NE(run.output.find("{\"slot\": 9, \"name\": null, \"size\": null}"), std::string::npos)
        << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '{'), 10);
}

TEST(CliDevice, DeleteThenList) {
    test::SimProcess sim({"--trips", "3", "--fixes", "3"});
    const test::CommandResult deleted = RunCommand(OnPort(sim) + " delete --yes 2 0");
    ASSERT_EQ(deleted.exitCode, 0) << deleted.output;
    const test::CommandResult listed = RunQuiet(OnPort(sim) + " list");
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_NE(listed.output.find("0  (empty)\n"), std::string::npos) << listed.output;
    EXPECT_EQ(listed.output.find("1  (empty)\n"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("2  (empty)\n"), std::string::npos) << listed.output;

    // Slot 1 goes, slot 2 is empty: both are said, and the empty one is an item that failed.
    const test::CommandResult again = RunCommand(OnPort(sim) + " delete --yes 1 2");
    EXPECT_EQ(again.exitCode, 3) << again.output;
    EXPECT_NE(again.output.find("deleted slot 1\n"), std::string::npos) << again.output;
    EXPECT_NE(
        again.output.find("kvd2730-cli: delete: the device refused to delete slot 2 (status 2)\n"),
        std::string::npos)
        << again.output;
    EXPECT_EQ(again.output.find("DeleteLog"), std::string::npos) << again.output;
    const test::CommandResult verbose =
        RunCommand("{ " + OnPort(sim) + " -v delete --yes 2 2>&1 >/dev/null; }");
    EXPECT_NE(verbose.output.find("the device refused to delete slot 2 (status 2) ('DeleteLog 2' "
                                  "answered 'DeleteLog 2')"),
              std::string::npos)
        << verbose.output;
}

// A refusal is not always an empty slot: the device answers a log it holds with a status of
// its own, and the line says which command it refused and that status, not "empty".
// Without a terminal to ask on, delete needs --yes: a script that forgot it deletes nothing.
TEST(CliDevice, DeleteWithoutATerminalNeedsYes) {
    test::TempDir dir;
    const auto journal = dir.path() / "journal";
    test::SimProcess sim({"--trips", "2", "--fixes", "3", "--journal", journal.string()});
    const test::CommandResult run = RunCommand(OnPort(sim) + " delete 0 </dev/null");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("add --yes"), std::string::npos) << run.output;
    EXPECT_EQ(test::ReadText(journal).find("DeleteLog"), std::string::npos);
    ASSERT_EQ(LogNames(sim.Port()).value().size(), 2u);
}

TEST(CliDevice, ARefusalNamesTheCommandAndTheDevicesStatus) {
    struct Case {
        std::string fault;
        std::string command;
        std::string says;
    };
    test::TempDir dir;
    const Case cases[] = {
        {"status:9@GetLog 0", "get 0 -o " + Quote(dir.str()),
         "kvd2730-cli: get: the device refused to send slot 0 (status 9)\n"},
        {"status:9@DeleteLog 0", "delete --yes 0",
         "kvd2730-cli: delete: the device refused to delete slot 0 (status 9)\n"},
    };
    for (const Case& c : cases) {
        test::SimProcess sim({"--trips", "2", "--fixes", "3", "--fault", c.fault});
        const test::CommandResult run =
            RunCommand("{ " + OnPort(sim) + " --offline " + c.command + " >/dev/null; } 2>&1");
        EXPECT_EQ(run.exitCode, 3) << c.command << "\n" << run.output;
        EXPECT_EQ(run.output.rfind(c.says, 0), 0u) << run.output;
        EXPECT_EQ(run.output.find("empty"), std::string::npos) << run.output;
    }
}

TEST(CliDevice, UsageMistakesExitTwo) {
    const char* lines[] = {" get",        " get 10",     " get 1 --all",
                           " delete",     " delete x",   " update-gps",
                           " list extra", " frobnicate", " get 0 --name year"};
    for (const char* line : lines) {
        const test::CommandResult run = RunCommand(Cli() + " --port /dev/null" + line);
        EXPECT_EQ(run.exitCode, 2) << line << "\n" << run.output;
    }
}

TEST(CliDevice, SaysWhyThePortCannotBeUsed) {
    const test::CommandResult missing = RunCommand(Cli() + " --port /dev/kvd2730-absent list");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.output, "kvd2730-cli: no such port: /dev/kvd2730-absent\n");

    // With the default 30 s time-out: the identification's short one decides.
    test::SimProcess silent({"--fault", "no-echo"});
    const auto start = std::chrono::steady_clock::now();
    const test::CommandResult mute =
        RunCommand(Cli() + " --port " + Quote(silent.Port()) + " list");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));  // not 30 s
    EXPECT_EQ(mute.exitCode, 1);
    EXPECT_EQ(mute.output, "kvd2730-cli: no KVD-2730 answers on " + silent.Port() + "\n");
}

TEST(CliDevice, PermissionAdviceNamesAGroupOnlyWhenJoiningItHelps) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
    struct Case {
        const char* group;
        mode_t mode;
        bool advice;
    };
    // A group that may read and write helps; one that may only write, or root's, does not.
    for (const Case& c :
         {Case{"dialout", 0660, true}, Case{"dialout", 0620, false}, Case{"root", 0660, false}}) {
        test::SimProcess sim;
        const group* owner = ::getgrnam(c.group);
        if (owner == nullptr) GTEST_SKIP() << "no group " << c.group;
        ASSERT_EQ(::chown(sim.Port().c_str(), 0, owner->gr_gid), 0);
        ASSERT_EQ(::chmod(sim.Port().c_str(), c.mode), 0);
        const test::CommandResult run = RunCommand(
            "setpriv --reuid=65534 --regid=65534 --clear-groups " + OnPort(sim) + " list");
        EXPECT_EQ(run.exitCode, 1) << run.output;
        const std::string denied = "kvd2730-cli: permission denied on " + sim.Port();
        if (c.advice)
            EXPECT_EQ(run.output, denied +
                                      " (members of the group 'dialout' may open it: sudo "
                                      "usermod -aG dialout $USER, then log in again)\n");
        else
            EXPECT_EQ(run.output, denied + "\n") << c.group << " " << c.mode;
    }
}

TEST(CliDevice, PortsShowsWhichCandidateIsTheDevice) {
    test::SimProcess sim;
    const test::CommandResult run = RunCommand(
        "KVD2730_PORTS=/dev/kvd2730-absent:" + Quote(sim.Port()) + " " + Cli() + " ports");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("no such port: /dev/kvd2730-absent"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(sim.Port()), std::string::npos);
    EXPECT_NE(run.output.find("KVD-2730\n"), std::string::npos) << run.output;
}

TEST(CliDevice, DiscoveryFindsTheDeviceWithoutPort) {
    test::SimProcess sim({"--trips", "1", "--fixes", "1"});
    const test::CommandResult run =
        RunQuiet("KVD2730_PORTS=" + Quote(sim.Port()) + " " + Cli() + " list");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("32 bytes"), std::string::npos) << run.output;
}

// The log names of the virtual device's slots, from its list.
std::vector<std::string> SlotNames(const test::SimProcess& sim) {
    return LogNames(sim.Port()).value();
}

TEST(CliGet, DownloadsTwoSlotsAsKml) {
    test::SimProcess sim({"--trips", "3", "--fixes", "120"});
    const std::vector<std::string> names = SlotNames(sim);
    ASSERT_EQ(names.size(), 3u);
    test::TempDir dir;
    const auto out = dir.path() / "trips";  // made by the tool
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " --offline get 2 0 -o " + Quote(out.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{std::min(names[0], names[2]) + ".kml",
                                                      std::max(names[0], names[2]) + ".kml"}));
    const std::string kml = test::DecodeUtf16Le(test::ReadBytes(out / (names[0] + ".kml")));
    EXPECT_NE(kml.find("<name>" + names[0] + ".kml Path</name>"), std::string::npos);
    EXPECT_NE(kml.find("</kml>"), std::string::npos);
}

TEST(CliGet, FormatGivesGpxBesideOrInsteadOfKml) {
    test::SimProcess sim({"--trips", "1", "--fixes", "60"});
    const std::string name = SlotNames(sim).at(0);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--format gpx", {name + ".gpx"}},
        {"-f kml,gpx", {name + ".gpx", name + ".kml"}},
    };
    for (const auto& [format, files] : cases) {
        test::TempDir dir;
        const test::CommandResult run =
            RunCommand(OnPort(sim) + " --offline get 0 " + format + " -o " + Quote(dir.str()));
        ASSERT_EQ(run.exitCode, 0) << format << "\n" << run.output;
        EXPECT_EQ(FilesIn(dir.path()), files) << format;
        EXPECT_NE(test::ReadText(dir.path() / (name + ".gpx")).find("</gpx>"), std::string::npos);
    }
}

TEST(CliGet, KmzHoldsTheKmlOfTheSameGet) {
    test::SimProcess sim({"--trips", "1", "--fixes", "600"});
    const std::string name = SlotNames(sim).at(0);
    test::TempDir dir;
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " --offline get 0 -f kmz,kml -o " + Quote(dir.str()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{name + ".kml", name + ".kmz"}));
    const std::string kmz = Quote((dir.path() / (name + ".kmz")).string());
    const test::CommandResult check = RunCommand("unzip -t " + kmz);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    const test::CommandResult same = RunCommand("unzip -p " + kmz + " doc.kml | cmp - " +
                                                Quote((dir.path() / (name + ".kml")).string()));
    EXPECT_EQ(same.exitCode, 0) << same.output;
    EXPECT_LT(std::filesystem::file_size(dir.path() / (name + ".kmz")) * 10,
              std::filesystem::file_size(dir.path() / (name + ".kml")));
}

TEST(CliGet, GoesOnPastAnEmptySlotAndSumsUp) {
    test::SimProcess sim({"--trips", "2", "--fixes", "30"});
    test::TempDir dir;
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " --offline get 0 4 1 -o " + Quote(dir.str()));
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("kvd2730-cli: get: the device refused to send slot 4 (status 2)\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("summary: 2 logs saved, 1 slot refused\n"), std::string::npos)
        << run.output;
    const std::vector<std::string> names = SlotNames(sim);
    EXPECT_EQ(FilesIn(dir.path()),
              (std::vector<std::string>{std::min(names[0], names[1]) + ".kml",
                                        std::max(names[0], names[1]) + ".kml"}));
}

TEST(CliGet, KeepRawSavesTheLogBesideItsKml) {
    test::SimProcess sim({"--trips", "1", "--fixes", "10"});
    test::TempDir dir;
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " --offline get --all --keep-raw -o " + Quote(dir.str()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string name = SlotNames(sim)[0];
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{name, name + ".kml"}));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / name), 16u + 10u * 16u);
}

TEST(CliGet, SimulateWorksWithoutAnyDevice) {
    test::TempDir dir;
    const test::CommandResult run =
        RunCommand(Cli() + " --simulate --offline get --all -o " + Quote(dir.str()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FilesIn(dir.path()).size(), 3u);
}

// `get -o -` sends one log's document down a pipe, byte for byte the file a get writes, and
// leaves no file and no record behind.
TEST(CliGet, StandardOutputGivesTheFilesBytesAndWritesNothing) {
    test::SimProcess sim({"--trips", "2", "--fixes", "30"});
    test::TempDir dir;
    const auto saved = dir.path() / "saved";
    const auto empty = dir.path() / "empty";
    std::filesystem::create_directories(empty);
    const std::string get = "TZ=UTC " + OnPort(sim) + " --offline get 1";
    ASSERT_EQ(RunCommand(get + " -o " + Quote(saved.string())).exitCode, 0);
    const auto piped = dir.path() / "piped.kml";
    const test::CommandResult run = RunCommand("{ cd " + Quote(empty.string()) + " && " + get +
                                               " -o - >" + Quote(piped.string()) + "; }");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<std::string> files = FilesIn(saved);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(test::ReadBytes(piped), test::ReadBytes(saved / files.front()));
    EXPECT_TRUE(FilesIn(empty).empty());

    const auto gpx = dir.path() / "babel.gpx";
    const test::CommandResult babel =
        RunCommand("{ " + get + " -o - 2>/dev/null; } | gpsbabel -i kml -f - -o gpx -F " +
                   Quote(gpx.string()));
    ASSERT_EQ(babel.exitCode, 0) << babel.output;
    EXPECT_NE(test::ReadText(gpx).find("<trkpt"), std::string::npos);
}

TEST(CliUpdate, TheDeviceHoldsAByteIdenticalPointFile) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "store");
    std::vector<uint8_t> points(5000);
    for (std::size_t i = 0; i < points.size(); ++i) points[i] = static_cast<uint8_t>(i * 31 + 7);
    test::WriteBytes(dir.path() / "points.FPT", points);
    test::SimProcess sim({"--store", (dir.path() / "store").string()});
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " update-gps " + Quote((dir.path() / "points.FPT").string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(test::ReadBytes(dir.path() / "store" / "gps.FPT"), points);

    // Files the device cannot use are refused before it is told to expect one: its copy stays.
    test::WriteBytes(dir.path() / "empty.FPT", {});
    struct Case {
        std::string file;
        std::string why;
    };
    for (const Case& c :
         {Case{"none.mem", "the file does not exist"}, Case{"empty.FPT", "the file is empty"},
          Case{"store", "the file cannot be read: "}}) {
        const std::string path = (dir.path() / c.file).string();
        const test::CommandResult refused = RunCommand(OnPort(sim) + " update-gps " + Quote(path));
        EXPECT_EQ(refused.exitCode, 2) << refused.output;
        EXPECT_EQ(refused.output.rfind("kvd2730-cli update-gps: " + path + ": " + c.why, 0), 0u)
            << refused.output;
    }
    EXPECT_EQ(test::ReadBytes(dir.path() / "store" / "gps.FPT"), points);
}

TEST(CliGet, CtrlCStopsTheDownloadAndLeavesNoFileOfTheInterruptedLog) {
    // Paced at 115200 baud a 20,000-fix log takes about half a minute to download.
    test::SimProcess sim({"--trips", "2", "--fixes", "20000", "--baud", "115200"});
    test::TempDir dir;
    const pid_t pid = Spawn({test::ProgramPath("KVD2730_CLI", KVD2730_CLI_PATH), "--port",
                             sim.Port(), "--offline", "get", "0", "1", "-o", dir.str()});
    // Half a second in, the first log is well under way (it needs some 30 s).
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the tool did not end on its own";
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FilesIn(dir.path()).empty());  // no KML, and no temporary file either
    // The device was told with CAN and answers the next command.
    EXPECT_EQ(RunQuiet(OnPort(sim) + " list").exitCode, 0);
}

// The save folder never goes to the device, so only the platform bounds its length.
TEST(CliGet, SaveFolderLongerThanWhatTheDeviceIsSent) {
    test::SimProcess sim({"--trips", "1", "--fixes", "5"});
    test::TempDir dir;
    std::filesystem::path folder = dir.path();
    while (folder.string().size() <= 300) folder /= std::string(60, 'd');
    const test::CommandResult run =
        RunCommand(OnPort(sim) + " --offline get 0 -o " + Quote(folder.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ASSERT_EQ(FilesIn(folder).size(), 1u);
    EXPECT_NE(run.output.find(folder.string() + "/" + FilesIn(folder).front()), std::string::npos)
        << run.output;
}

}  // namespace
}  // namespace kvd
