// The operations' command sequences against the virtual device.
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "support/sim_process.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

std::vector<RowEntry> ListLogs(const std::string& port) {
    std::string reply;
    DeviceCall call;
    call.timeoutMs = 500;
    call.replyOut = &reply;
    EXPECT_EQ(RunDeviceCommand(port, command_line::kLogList, call).status, CallStatus::Done);
    return ApplyListReply(reply, kGpsLogRowCount);
}

TransferSettings Settings(const test::SimProcess& sim) {
    TransferSettings settings;
    settings.port = sim.Port();
    settings.timeoutMs = 500;
    return settings;
}

int32_t TakeAnyLog(void*, const uint8_t*, int32_t, const char*, const char*) { return 1; }

// Each refused slot keeps its own reply: a log the device refuses with a status of its choice
// and an empty slot are told apart by what the device said, and the run goes on past both.
TEST(GetEachFile, KeepsTheDevicesReplyForEachRefusedSlot) {
    test::SimProcess sim({"--trips", "3", "--fixes", "2", "--fault", "status:4@GetLog 1"});
    const std::vector<int> slots{5, 1, 0, 2};
    std::vector<SlotResult> results;
    const OperationReport report =
        GetEachFile(Settings(sim), slots, ".", TakeAnyLog, nullptr, results);
    ASSERT_TRUE(report.Succeeded());
    ASSERT_EQ(results.size(), 4u);
    const std::pair<SlotStatus, std::string> expected[] = {
        {SlotStatus::Saved, ""},
        {SlotStatus::Refused, "the device refused to send slot 1 (status 4)"},
        {SlotStatus::Saved, ""},
        {SlotStatus::Refused, "the device refused to send slot 5 (status 2)"},
    };
    for (std::size_t k = 0; k < results.size(); ++k) {
        const SlotResult& result = results[k];
        EXPECT_EQ(result.status, expected[k].first) << result.slot;
        if (result.status == SlotStatus::Saved) continue;
        EXPECT_EQ(result.report.slot, result.slot);
        EXPECT_EQ(DescribeFailure(result.report, sim.Port(), kLangIdEnglishUs), expected[k].second);
    }
}

TEST(DeleteSelectedFiles, DeletesEachSlotInAscendingOrder) {
    test::SimProcess sim({"--trips", "8", "--fixes", "2"});
    const std::vector<int> slots{5, 2};
    const OperationReport report = DeleteSelectedFiles(Settings(sim), slots);
    EXPECT_TRUE(report.Succeeded());
    const std::vector<RowEntry> rows = ListLogs(sim.Port());
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(rows[static_cast<std::size_t>(k)].invalid, k == 2 || k == 5) << k;
}

TEST(DeleteSelectedFiles, StopsAtTheFirstRefusal) {
    test::SimProcess sim({"--trips", "3", "--fixes", "2", "--log", "8=/dev/null"});
    const std::vector<int> slots{8, 1, 7};  // slot 7 is empty
    const OperationReport report = DeleteSelectedFiles(Settings(sim), slots);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(report.slot, 7);
    EXPECT_EQ(report.command, "DeleteLog 7");
    EXPECT_EQ(report.outcome.failure, CallFailure::Refused);
    const std::vector<RowEntry> rows = ListLogs(sim.Port());
    EXPECT_TRUE(rows[1].invalid);
    EXPECT_FALSE(rows[8].invalid);  // after the failure: not sent
}

TEST(DeleteSelectedFiles, FailsBeforeAnyDeleteWhenTheModeSwitchFails) {
    test::SimProcess sim(
        {"--trips", "3", "--fixes", "2", "--fault", "status:2@SetMode", "--fault-once"});
    const std::vector<int> slots{0};
    const OperationReport report = DeleteSelectedFiles(Settings(sim), slots);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(report.slot, -1);
    EXPECT_EQ(report.command, "SetMode 1");
    EXPECT_FALSE(ListLogs(sim.Port())[0].invalid);
}

}  // namespace
}  // namespace kvd
