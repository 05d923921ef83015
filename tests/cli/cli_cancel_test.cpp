// Stopping the tool: every way of asking ends a silent wait at once, tells the device, and
// leaves no file behind; a run after a host that died mid-transfer needs no retry.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli_test_support.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

using test::Cli;
using test::FilesIn;
using test::Quote;
using test::RunCommand;
using test::Spawn;

std::string CliBinary() { return test::ProgramPath("KVD2730_CLI", KVD2730_CLI_PATH); }

TEST(CliCancel, EverySignalEndsASilentWaitAtOnce) {
    struct Case {
        const char* name;
        std::vector<int> signals;
        const char* stalls;     // the command during which the device falls silent
        std::size_t filesLeft;  // of the logs finished before
        int exitCode;           // 128 and the signal, as a shell says of a program it stopped
    };
    const Case cases[] = {{"SIGINT", {SIGINT}, "GetLog 0", 0, 130},
                          {"SIGTERM", {SIGTERM}, "GetLog 0", 0, 143},
                          {"SIGHUP", {SIGHUP}, "GetLog 0", 0, 129},
                          {"SIGINT twice", {SIGINT, SIGINT}, "GetLog 0", 0, 130},
                          {"SIGINT after a saved log", {SIGINT}, "GetLog 1", 1, 130}};
    for (const Case& c : cases) {
        // The device stops after two blocks of a log; the tool would wait 30 s.
        test::SimProcess sim({"--trips", "2", "--fixes", "300", "--fault",
                              std::string("stall:2@") + c.stalls, "--fault-once"});
        test::TempDir dir;
        const pid_t pid = Spawn(
            {CliBinary(), "--port", sim.Port(), "--offline", "get", "0", "1", "-o", dir.str()});
        std::this_thread::sleep_for(std::chrono::seconds(1));  // well into the silence
        const auto asked = std::chrono::steady_clock::now();
        for (const int number : c.signals) ::kill(pid, number);
        int status = 0;
        ::waitpid(pid, &status, 0);
        // A generous bound that still tells "at once" from the 30 s time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5)) << c.name;
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": ended by the signal, not by itself";
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.name;
        EXPECT_EQ(FilesIn(dir.path()).size(), c.filesLeft) << c.name;
        // The device was told with CAN: the next command works at the first try.
        EXPECT_TRUE(test::LogNames(sim.Port())) << c.name;
    }
}

TEST(CliCancel, ARunAfterAHostThatDiedMidTransferWorksAtOnce) {
    for (const bool named : {true, false}) {
        // Paced like a real line, the log takes seconds; the tool is killed without a chance
        // to tell the device.
        test::SimProcess sim({"--trips", "1", "--fixes", "5000", "--baud", "115200"});
        test::TempDir dir;
        const pid_t pid =
            Spawn({CliBinary(), "--port", sim.Port(), "--offline", "get", "0", "-o", dir.str()});
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        // Named with --port, or found among the system's ports.
        const std::string command =
            named ? Cli() + " --port " + Quote(sim.Port()) + " list"
                  : "KVD2730_PORTS=" + Quote(sim.Port()) + " " + Cli() + " list";
        const test::CommandResult run = RunCommand(command);
        EXPECT_EQ(run.exitCode, 0) << (named ? "--port" : "discovery") << "\n" << run.output;
    }
}

}  // namespace
}  // namespace kvd
