// Whole exchanges over a scripted in-memory line, as replay and the fuzzers run them.
#include "devicelink/memory_port.h"

#include <gtest/gtest.h>

#include "devicelink/devicelink.h"

namespace kvd {
namespace {

std::shared_ptr<MemoryLine> Line(const std::string& deviceBytes, std::size_t burst = 0) {
    auto line = std::make_shared<MemoryLine>();
    line->script.assign(deviceBytes.begin(), deviceBytes.end());
    line->burst = burst;
    return line;
}

class MemoryPortTest : public testing::Test {
  protected:
    ~MemoryPortTest() override { UseMemoryLine(nullptr); }
};

TEST_F(MemoryPortTest, RunsAnExchangeAndRecordsWhatWasSent) {
    for (const std::size_t burst : {0u, 1u, 3u}) {
        auto line = Line("noise\nSetMode 0\n> ", burst);
        UseMemoryLine(line);
        std::string reply;
        DeviceCall call;
        call.replyOut = &reply;
        EXPECT_EQ(RunDeviceCommand("memory", command_line::kSetMode, call).status, CallStatus::Done)
            << burst;
        EXPECT_EQ(reply, "SetMode 0\n");
        EXPECT_EQ(std::string(line->written.begin(), line->written.end()), command_line::kSetMode);
    }
}

TEST_F(MemoryPortTest, TheEndOfTheScriptIsATimeOut) {
    UseMemoryLine(Line("SetMode 0\n"));
    const CallOutcome outcome = RunDeviceCommand("memory", "UpdateFw\n");
    EXPECT_EQ(outcome.status, CallStatus::Failed);
    EXPECT_EQ(outcome.failure, CallFailure::NoAnswer);
}

}  // namespace
}  // namespace kvd
