// Command lines, their mapping to reply readers, and whole exchanges against a scripted peer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/atomic_file.h"
#include "devicelink/devicelink.h"
#include "support/scripted_peer.h"

namespace kvd {
namespace {

using test::PeerStep;
using test::ScriptedPeer;

struct LookupCase {
    std::string line;
    int32_t id;
};

TEST(LookupCommandId, FindsTheFirstWordOfTheTableAnywhereInTheLine) {
    const LookupCase cases[] = {
        {command_line::kLogList, 6},
        {"getloglist\n", 6},
        {"GETLOG 3\n", 7},
        {command_line::kRecordList, 9},
        {"GetRecord 2\n", 10},
        {"DeleteLog help\n", 2},  // Help is searched before DeleteLog
        {command_line::kGpsDataUpdate, 12},
        {"UpdateGpsDataX 1\n", -1},  // the search text holds the line feed
        {"UpdateGpsDataX GetMode\n", 3},
        {command_line::kIdentify, 1},
        {"Hello\n", 0},
        {command_line::kSetMode, 4},
        {command_line::kGpsDataVersion, 13},
        {"GetFwDataVersion\n", 14},
        {"ProgramFlashRom x\n", 16},
        {"UpdateFw\n", 19},
        {"SetBaudrate 9600\n", 20},
        {"Bogus\n", -1},
        {"", -1},
    };
    for (const LookupCase& c : cases) EXPECT_EQ(LookupCommandId(c.line), c.id) << c.line;
}

TEST(LookupCommandId, LooksOnlyAtTheFirst259Bytes) {
    EXPECT_EQ(LookupCommandId(std::string(250, ' ') + "Hello\n"), 0);
    EXPECT_EQ(LookupCommandId(std::string(256, ' ') + "Hello\n"), -1);
}

TEST(ExtractWord, SplitsOnSpacesAndLineFeeds) {
    struct Case {
        std::string text;
        int k;
        std::string word;
    };
    const Case cases[] = {
        {command_line::kIdentify, 0, "Echo"},
        {command_line::kIdentify, 1, "KVD-2730"},
        {"Echo KVD-2730", 1, ""},  // a word without a closing separator never counts
        {"a   b\n", 1, "b"},       // a run of spaces separates once
        {" a\n", 0, ""},           // a leading separator ends an empty word 0
        {" a\n", 1, "a"},
        {"a\n\nb\n", 1, ""},  // a line feed after a line feed ends an empty word
        {"a \nb\n", 1, "b"},  // a line feed after a space is ignored
        {"KVD-2730\n> ", 0, "KVD-2730"},
        {std::string("ab\0cd ", 6), 0, ""},  // the text ends at its NUL
        {"x\n", 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractWord(c.text, c.k), c.word) << c.text << " #" << c.k;
}

constexpr CallStatus kDone = CallStatus::Done;
constexpr CallStatus kFailed = CallStatus::Failed;

// Runs one command against a peer that answers `reply`.
CallStatus Exchange(const std::string& command, const std::string& reply,
                    std::string* replyOut = nullptr) {
    ScriptedPeer peer({{reply}});
    DeviceCall call;
    call.timeoutMs = 200;
    call.replyOut = replyOut;
    return RunDeviceCommand(peer.Port(), command, call).status;
}

TEST(RunDeviceCommand, StatusRepliesDecideByTheLastStatusLine) {
    struct Case {
        std::string reply;
        CallStatus status;
    };
    const Case cases[] = {
        {"> ", kFailed},
        {"SetMode 0\n> ", kDone},
        {"SetMode 00\n> ", kDone},
        {"SetMode 0a\n> ", kFailed},
        {"SetMode 2\n> ", kFailed},
        {"SetMode 1\n> ", kFailed},
        {"SetMode 2\nSetMode 0\n> ", kDone},
        {"SetMode 0\nSetMode 2\n> ", kFailed},
        {"SetMode\n> ", kFailed},  // no status word: no success
        {"SetMode 0\n", kDone},    // the prompt never came: the result so far stands
    };
    for (const Case& c : cases)
        EXPECT_EQ(Exchange(command_line::kSetMode, c.reply), c.status) << c.reply;
}

TEST(RunDeviceCommand, EchoReplyComparesTheFirstWordWithTheArgument) {
    struct Case {
        std::string reply;
        CallStatus status;
    };
    const Case cases[] = {
        {"KVD-2730\n> ", kDone},       {"> ", kFailed},
        {"KVD-2731\n> ", kFailed},     {"kvd-2730\n> ", kFailed},  // byte for byte, case-sensitive
        {"KVD-2730 extra\n> ", kDone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Exchange(command_line::kIdentify, c.reply), c.status) << c.reply;
}

TEST(RunDeviceCommand, EchoRowsThatAlwaysSucceed) {
    EXPECT_EQ(Exchange("Hello\n", "something else\n> "), kDone);
    EXPECT_EQ(Exchange(command_line::kGpsDataVersion, "> "), kDone);
}

TEST(RunDeviceCommand, ReplyOutHoldsTheLastLineThatIsNotThePrompt) {
    std::string reply = "untouched";
    EXPECT_EQ(Exchange(command_line::kLogList, "first 0\nsecond 0\nGetLogList 0 0 0 \n> ", &reply),
              kDone);
    EXPECT_EQ(reply, "GetLogList 0 0 0 \n");
}

TEST(RunDeviceCommand, ReplyOutIsFilledEvenWhenTheHandlerFails) {
    std::string reply;
    EXPECT_EQ(Exchange(command_line::DeleteLog(4), "DeleteLog 2\n> ", &reply), kFailed);
    EXPECT_EQ(reply, "DeleteLog 2\n");
}

TEST(RunDeviceCommand, UntilPromptNeedsThePrompt) {
    EXPECT_EQ(Exchange("UpdateFw\n", "working\n> "), kDone);
    EXPECT_EQ(Exchange("UpdateFw\n", "working\n"), kFailed);
}

TEST(RunDeviceCommand, AnUnknownCommandReadsExactlyOneLine) {
    std::FILE* diagnostics = std::tmpfile();
    SetDiagnosticStream(diagnostics);
    EXPECT_EQ(Exchange("Bogus\n", "line one\nline two\n> "), kDone);
    SetDiagnosticStream(stdout);
    std::rewind(diagnostics);
    char text[256] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, diagnostics);
    std::fclose(diagnostics);
    EXPECT_EQ(std::string(text, n), "line one\n");
}

TEST(RunDeviceCommand, RefusesOverlongLinesAndFoldersBeforeSendingAnything) {
    {
        ScriptedPeer peer({});
        const CallOutcome outcome =
            RunDeviceCommand(peer.Port(), "Echo " + std::string(1030, 'a') + "\n");
        EXPECT_EQ(outcome.status, kFailed);
        EXPECT_EQ(outcome.failure, CallFailure::Unsendable);
        EXPECT_EQ(peer.Received(), "");
    }
    {
        // The folder stays on this computer: only the platform's path limit bounds it.
        ScriptedPeer peer({});
        const std::string folder(kMaxLocalPathLength + 1, 'f');
        DeviceCall call;
        call.folder = folder.c_str();
        EXPECT_EQ(RunDeviceCommand(peer.Port(), command_line::kSetMode, call).status, kFailed);
        EXPECT_EQ(peer.Received(), "");
    }
    {
        // The longest line the buffers take still goes out.
        const std::string line = "Echo " + std::string(1027, 'a') + "\n";
        ASSERT_EQ(line.size(), 1033u);
        ScriptedPeer peer({{"> "}});
        DeviceCall call;
        call.timeoutMs = 200;
        EXPECT_EQ(RunDeviceCommand(peer.Port(), line, call).status, kFailed);
        EXPECT_EQ(peer.Received(), line);
    }
}

int32_t CountCalls(void* context, const uint8_t*, int32_t, const char*, const char*) {
    ++*static_cast<int*>(context);
    return 1;
}

TEST(RunDeviceCommand, ADownloadThatBringsNoFileFailsWithoutCallingTheHandler) {
    ScriptedPeer peer({{"> "}});
    int calls = 0;
    DeviceCall call;
    call.timeoutMs = 200;
    call.completion = CountCalls;
    call.completionContext = &calls;
    const CallOutcome outcome = RunDeviceCommand(peer.Port(), command_line::GetLog(1), call);
    EXPECT_EQ(outcome.status, kFailed);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(outcome.failure, CallFailure::Refused);
}

TEST(RunDeviceCommand, FailsWhenThePortCannotBeOpened) {
    const CallOutcome outcome =
        RunDeviceCommand("/dev/kvd2730-no-such-port", command_line::kSetMode);
    EXPECT_EQ(outcome.status, kFailed);
    EXPECT_EQ(outcome.failure, CallFailure::Open);
    EXPECT_EQ(outcome.openError, PortOpenError::NotFound);
    EXPECT_EQ(outcome.bytesHeard, 0u);
}

TEST(RunDeviceCommand, OutcomeSaysWhereAFailedCallStopped) {
    struct Case {
        std::string command;
        std::string reply;
        test::PeerEcho echo;
        CallFailure failure;
        std::string lastLine;
        bool heard;  // whether anything came back at all
    };
    const Case cases[] = {
        {command_line::kSetMode, "SetMode 0\n> ", test::PeerEcho::Same, CallFailure::None,
         "SetMode 0\n", true},
        {command_line::kSetMode, "", test::PeerEcho::None, CallFailure::Echo, "", false},
        {command_line::kSetMode, "SetMode 2\n> ", test::PeerEcho::Same, CallFailure::Refused,
         "SetMode 2\n", true},
        {command_line::kSetMode, "SetMo", test::PeerEcho::Same, CallFailure::NoAnswer, "", true},
        {command_line::kIdentify, "GPS-9000\n> ", test::PeerEcho::Same, CallFailure::Refused,
         "GPS-9000\n", true},
        {command_line::kSetMode, std::string(1100, 'x') + "\n> ", test::PeerEcho::Same,
         CallFailure::BadReply, "", true},
    };
    for (const Case& c : cases) {
        ScriptedPeer peer({{c.reply}}, c.echo);
        DeviceCall call;
        call.timeoutMs = 150;
        const CallOutcome outcome = RunDeviceCommand(peer.Port(), c.command, call);
        EXPECT_EQ(outcome.Succeeded(), c.failure == CallFailure::None) << c.reply;
        EXPECT_EQ(outcome.failure, c.failure) << c.reply;
        EXPECT_EQ(outcome.reply, c.lastLine) << c.reply;
        EXPECT_EQ(outcome.bytesHeard > 0, c.heard) << c.reply;
    }
    const CallOutcome outcome = RunDeviceCommand("/dev/null", std::string(2000, 'x') + "\n");
    EXPECT_EQ(outcome.failure, CallFailure::Unsendable);
}

}  // namespace
}  // namespace kvd
