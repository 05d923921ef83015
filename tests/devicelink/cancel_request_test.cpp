// Each device call stops at its own caller's cancel request and says so: never a success for
// a call that was stopped, and never a stop for a call that was not asked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "devicelink/devicelink.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int32_t TakeAnyFile(void*, const uint8_t*, int32_t, const char*, const char*) { return 1; }

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class CancelPerCall : public testing::Test {
  protected:
    void SetUp() override {
        SetDiagnosticStream(nullptr);
        folder_ = fs::temp_directory_path() / ("kvd-cancel-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::ofstream(folder_ / "points.FPT", std::ios::binary) << std::string(20000, 'p');
        folderText_ = folder_.string();
    }
    void TearDown() override {
        SetDiagnosticStream(stdout);
        fs::remove_all(folder_);
    }

    // One call of each kind, with a long time-out: only the cancel can end a silent wait soon.
    DeviceCall Call(const std::string& command, const CancelRequest* cancel) const {
        DeviceCall call;
        call.timeoutMs = 30000;
        call.cancel = cancel;
        if (command.starts_with("GetLog")) {
            call.completion = TakeAnyFile;
        } else if (command.starts_with("Update")) {
            call.folder = folderText_.c_str();
            call.fileName = "points.FPT";
        }
        return call;
    }

    fs::path folder_;
    std::string folderText_;
};

struct KindCase {
    const char* name;
    std::string command;
    std::string stallFault;  // makes the device fall silent in the middle of the exchange
};

const KindCase kKinds[] = {
    {"command", command_line::kSetMode, "silence-after:0"},
    {"download", command_line::GetLog(0), "stall:2"},
    {"upload", command_line::kGpsDataUpdate, "stall:2"},
};

TEST_F(CancelPerCall, ARequestBeforeTheCallSendsNothing) {
    for (const KindCase& kind : kKinds) {
        const fs::path journal = folder_ / "journal";
        test::SimProcess sim({"--journal", journal.string(), "--fixes", "3000"});
        CancelRequest cancel;
        cancel.Request();
        const CallOutcome outcome =
            RunDeviceCommand(sim.Port(), kind.command, Call(kind.command, &cancel));
        EXPECT_EQ(outcome.status, CallStatus::Cancelled) << kind.name;
        EXPECT_FALSE(outcome.Succeeded()) << kind.name;
        sim.Stop();
        EXPECT_EQ(Slurp(journal), "") << kind.name;
        fs::remove(journal);
    }
}

TEST_F(CancelPerCall, ARequestDuringASilentWaitEndsTheCallAsCancelled) {
    for (const KindCase& kind : kKinds) {
        test::SimProcess sim({"--fixes", "3000", "--fault", kind.stallFault});
        CancelRequest cancel;
        auto call = std::async(std::launch::async, [&] {
            return RunDeviceCommand(sim.Port(), kind.command, Call(kind.command, &cancel));
        });
        EXPECT_EQ(call.wait_for(500ms), std::future_status::timeout)
            << kind.name << ": not waiting";
        cancel.Request();
        // Far below the 30 s time-out: the wait ended because it was asked to.
        ASSERT_EQ(call.wait_for(10s), std::future_status::ready) << kind.name;
        const CallOutcome outcome = call.get();
        EXPECT_EQ(outcome.status, CallStatus::Cancelled) << kind.name;
        EXPECT_EQ(outcome.cause, FailureCause::Aborted) << kind.name;
    }
}

TEST_F(CancelPerCall, ACompletedCallStaysDoneAndTheNextOneIsNotSent) {
    for (const KindCase& kind : kKinds) {
        test::SimProcess sim({"--fixes", "300"});
        CancelRequest cancel;
        const CallOutcome done =
            RunDeviceCommand(sim.Port(), kind.command, Call(kind.command, &cancel));
        cancel.Request();
        EXPECT_TRUE(done.Succeeded()) << kind.name;
        EXPECT_EQ(RunDeviceCommand(sim.Port(), kind.command, Call(kind.command, &cancel)).status,
                  CallStatus::Cancelled)
            << kind.name;
    }
}

TEST_F(CancelPerCall, TwoCallsWithTwoRequestsDoNotSeeEachOther) {
    test::SimProcess stopped({"--fixes", "3000", "--fault", "stall:2"});
    test::SimProcess running({"--fixes", "3000", "--baud", "230400"});
    CancelRequest first, second;
    const std::string command = command_line::GetLog(0);
    auto cancelled = std::async(std::launch::async, [&] {
        return RunDeviceCommand(stopped.Port(), command, Call(command, &first));
    });
    auto finished = std::async(std::launch::async, [&] {
        return RunDeviceCommand(running.Port(), command, Call(command, &second));
    });
    std::this_thread::sleep_for(300ms);
    first.Request();
    EXPECT_EQ(cancelled.get().status, CallStatus::Cancelled);
    EXPECT_EQ(finished.get().status, CallStatus::Transferred);
    EXPECT_FALSE(second.IsRequested());
}

}  // namespace
}  // namespace kvd
