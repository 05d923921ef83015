// The sentences a failed operation becomes, in both languages.
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

OperationReport Failed(CallFailure failure, FailureCause cause, int slot = -1,
                       std::string command = "") {
    OperationReport report;
    report.status = CallStatus::Failed;
    report.slot = slot;
    report.command = std::move(command);
    report.outcome.failure = failure;
    report.outcome.cause = cause;
    report.outcome.timeoutMs = 30000;
    report.outcome.blockIndex = 7;
    return report;
}

TEST(DescribeFailure, SaysWhatHappenedInEitherLanguage) {
    struct Case {
        OperationReport report;
        const char* english;
        const char* japanese;
    };
    OperationReport cancelled = Failed(CallFailure::Transfer, FailureCause::Aborted);
    cancelled.status = CallStatus::Cancelled;
    OperationReport denied = Failed(CallFailure::Open, FailureCause::None);
    denied.outcome.openError = PortOpenError::PermissionDenied;
    const Case cases[] = {
        {Failed(CallFailure::Refused, FailureCause::None, 3, "GetLog 3"),
         "the device refused to send slot 3", "装置がスロット 3 の送信を拒否しました"},
        {Failed(CallFailure::Transfer, FailureCause::TimedOut, 0, "GetLog 0"),
         "the device stopped answering (timed out after 30 s at block 7)",
         "装置の応答が止まりました（ブロック 7 で 30 秒のタイムアウト）"},
        {Failed(CallFailure::Echo, FailureCause::TimedOut),
         "the device stopped answering (timed out after 30 s)",
         "装置の応答が止まりました（30 秒のタイムアウト）"},
        {Failed(CallFailure::Transfer, FailureCause::Disconnected), "the device was disconnected",
         "装置との接続が切れました"},
        {Failed(CallFailure::Transfer, FailureCause::DeviceCancelled),
         "the device cancelled the transfer", "装置が転送を中止しました"},
        {Failed(CallFailure::Transfer, FailureCause::FileTooLarge),
         "the file is larger than the device accepts",
         "ファイルが装置の受け付ける大きさを超えています"},
        {Failed(CallFailure::Refused, FailureCause::None, -1, "UpdateGpsDataX"),
         "the device refused the request", "装置が要求を拒否しました"},
        {cancelled, "cancelled", "中止しました"},
        {denied, "permission denied on /dev/ttyACM0", "ポート /dev/ttyACM0 を開く権限がありません"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DescribeFailure(c.report, "/dev/ttyACM0", kLangIdEnglishUs), c.english);
        EXPECT_EQ(DescribeFailure(c.report, "/dev/ttyACM0", kLangIdJapanese), c.japanese);
        // The protocol's words stay out unless asked for.
        EXPECT_EQ(DescribeFailure(c.report, "/dev/ttyACM0", kLangIdEnglishUs).find("GetLog"),
                  std::string::npos);
    }
}

// The device's refusal status stands for an empty slot and for its other refusals alike, so the
// sentence says what was refused and quotes the status, and only a status fit to show.
TEST(DescribeFailure, ARefusedSlotNamesTheRequestAndTheDevicesStatus) {
    struct Case {
        const char* command;
        const char* reply;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {"GetLog 3", "GetLog 2\r\n", "the device refused to send slot 3 (status 2)",
         "装置がスロット 3 の送信を拒否しました（ステータス 2）"},
        {"DeleteLog 3", "DeleteLog 2\n", "the device refused to delete slot 3 (status 2)",
         "装置がスロット 3 の削除を拒否しました（ステータス 2）"},
        {"DeleteLog 3", "deletelog   017  extra\n",
         "the device refused to delete slot 3 (status 017)",
         "装置がスロット 3 の削除を拒否しました（ステータス 017）"},
        // No status, a line that is not the command's own, a status no terminal should get.
        {"GetLog 3", "", "the device refused to send slot 3",
         "装置がスロット 3 の送信を拒否しました"},
        {"GetLog 3", "GetLog\n", "the device refused to send slot 3",
         "装置がスロット 3 の送信を拒否しました"},
        {"GetLog 3", "Unknown command\n", "the device refused to send slot 3",
         "装置がスロット 3 の送信を拒否しました"},
        {"GetLog 3", "GetLog \x1b]0;owned\x07\n", "the device refused to send slot 3",
         "装置がスロット 3 の送信を拒否しました"},
        {"DeleteLog 3", "DeleteLog 12345678901234567890\n", "the device refused to delete slot 3",
         "装置がスロット 3 の削除を拒否しました"},
    };
    for (const Case& c : cases) {
        OperationReport report = Failed(CallFailure::Refused, FailureCause::None, 3, c.command);
        report.outcome.reply = c.reply;
        EXPECT_EQ(DescribeFailure(report, "P", kLangIdEnglishUs), c.english) << c.reply;
        EXPECT_EQ(DescribeFailure(report, "P", kLangIdJapanese), c.japanese) << c.reply;
    }
}

TEST(DescribeFailure, NamesTheCommandAndReplyOnlyWhenAsked) {
    OperationReport report = Failed(CallFailure::Refused, FailureCause::None, 3, "GetLog 3");
    report.outcome.reply = "GetLog 2\r\n";
    EXPECT_EQ(DescribeFailure(report, "P", kLangIdEnglishUs, true),
              "the device refused to send slot 3 (status 2) ('GetLog 3' answered 'GetLog 2')");
}

TEST(DescribeLogWarning, TellsWhatTheFilesLeaveOutInTheUsersLanguage) {
    SavedLog log;
    log.deviceName = "08231721.LOG";
    EXPECT_EQ(DescribeLogWarning(log, kLangIdJapanese), "");  // nothing left out
    log.warning =
        "2 fixes left out after 2155-12-31 23:59:59 local time, the latest a log can hold";
    log.fixesLeftOut = 2;
    EXPECT_EQ(DescribeLogWarning(log, kLangIdEnglishUs), "08231721.LOG: " + log.warning);
    EXPECT_EQ(DescribeLogWarning(log, kLangIdJapanese),
              "08231721.LOG: ログが保持できる最後の時刻を過ぎた測位点 2 件を省きました");
}

}  // namespace
}  // namespace kvd
