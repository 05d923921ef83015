// kvd2730-cli's device commands end to end against kvd2730-sim over pseudo-terminals.
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/sim_process.h"
#include "test_support.h"

namespace kvd {
namespace {

using test::Quote;
using test::RunCommand;

std::string Cli() { return Quote(test::ProgramPath("KVD2730_CLI", KVD2730_CLI_PATH)); }

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
    EXPECT_NE(run.output.find("\", \"size\": 64}"), std::string::npos) << run.output;  // 16 + 3 * 16
    EXPECT_NE(run.output.find("{\"slot\": 9, \"name\": null, \"size\": null}"), std::string::npos)
        << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '{'), 10);
}

TEST(CliDevice, DeleteThenList) {
    test::SimProcess sim({"--trips", "3", "--fixes", "3"});
    const test::CommandResult deleted = RunCommand(OnPort(sim) + " delete 2 0");
    ASSERT_EQ(deleted.exitCode, 0) << deleted.output;
    const test::CommandResult listed = RunQuiet(OnPort(sim) + " list");
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_NE(listed.output.find("0  (empty)\n"), std::string::npos) << listed.output;
    EXPECT_EQ(listed.output.find("1  (empty)\n"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("2  (empty)\n"), std::string::npos) << listed.output;

    const test::CommandResult again = RunCommand(OnPort(sim) + " delete 1 2");
    EXPECT_EQ(again.exitCode, 1) << again.output;
    EXPECT_NE(again.output.find("refused by the device: 'DeleteLog 2' answered 'DeleteLog 2'"),
              std::string::npos)
        << again.output;
}

TEST(CliDevice, UsageMistakesExitTwo) {
    const char* lines[] = {" get", " get 10", " get 1 --all", " delete", " delete x",
                           " update-gps", " list extra", " frobnicate"};
    for (const char* line : lines) {
        const test::CommandResult run = RunCommand(Cli() + " --port /dev/null" + line);
        EXPECT_EQ(run.exitCode, 2) << line << "\n" << run.output;
    }
}

TEST(CliDevice, SaysWhyThePortCannotBeUsed) {
    const test::CommandResult missing = RunCommand(Cli() + " --port /dev/kvd2730-absent list");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.output, "kvd2730-cli: list: no such port: /dev/kvd2730-absent\n");

    test::SimProcess silent({"--fault", "no-echo"});
    const test::CommandResult mute = RunCommand(Cli() + " --timeout 100 --port " + Quote(silent.Port()) + " list");
    EXPECT_EQ(mute.exitCode, 1);
    EXPECT_NE(mute.output.find("no answer from the device on"), std::string::npos) << mute.output;
}

TEST(CliDevice, PermissionDeniedNamesTheGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
    test::SimProcess sim;
    const test::CommandResult run = RunCommand(
        "setpriv --reuid=65534 --regid=65534 --clear-groups " + OnPort(sim) + " list");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("permission denied on " + sim.Port() + " (members of the group '"),
              std::string::npos)
        << run.output;
}

TEST(CliDevice, PortsShowsWhichCandidateIsTheDevice) {
    test::SimProcess sim;
    const test::CommandResult run = RunCommand("KVD2730_PORTS=/dev/kvd2730-absent:" + Quote(sim.Port()) +
                                               " " + Cli() + " ports");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("no such port: /dev/kvd2730-absent"), std::string::npos) << run.output;
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

}  // namespace
}  // namespace kvd
