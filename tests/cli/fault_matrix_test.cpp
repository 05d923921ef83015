// Every fault the virtual device can inject, against the command-line tool: a clear one-line
// error and the documented exit status, no crash, the port usable again, no file under a final
// name for a failed log, no temporary file, nothing outside the output folder, and the
// device's other logs untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli_test_support.h"
#include "support/sim_process.h"

namespace kvd {
namespace {

using test::Cli;
using test::FilesIn;
using test::LogNames;
using test::Quote;
using test::RunCommand;

std::vector<std::string> ErrorLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("kvd2730-cli", 0) == 0) lines.push_back(line);
    return lines;
}

struct FaultRow {
    const char* name;
    std::string fault;    // the --fault argument, aimed at the second download
    int exitCode;         // 0; 1 for a device or transfer failure; 3 for a refused slot, passed by
    std::string message;  // part of the one error line; empty when the get succeeds
    std::string keptAs;   // the KML name of slot 1 when it succeeds under another name
    bool devicePluggedIn = true;
};

FaultRow Fails(const char* name, std::string fault, std::string message) {
    return {name, std::move(fault), 1, std::move(message), "", true};
}

FaultRow Succeeds(const char* name, std::string fault, std::string keptAs = "") {
    return {name, std::move(fault), 0, "", std::move(keptAs), true};
}

class FaultMatrix : public testing::TestWithParam<FaultRow> {};

TEST_P(FaultMatrix, GetFailsCleanlyOrSucceeds) {
    const FaultRow& row = GetParam();
    test::SimProcess sim(
        {"--trips", "3", "--fixes", "300", "--fault", row.fault + "@GetLog 1", "--fault-once"});
    const std::optional<std::vector<std::string>> before = LogNames(sim.Port());
    ASSERT_TRUE(before && before->size() == 3u);
    const std::vector<std::string>& logs = *before;

    test::TempDir dir;
    const auto out = dir.path() / "out";
    const test::CommandResult run =
        RunCommand("{ " + Cli() + " --timeout 300 --offline --port " + Quote(sim.Port()) +
                   " get 0 1 2 -o " + Quote(out.string()) + " >/dev/null; } 2>&1");
    EXPECT_EQ(run.exitCode, row.exitCode) << run.output;

    const std::vector<std::string> errors = ErrorLines(run.output);
    std::vector<std::string> expected{logs[0] + ".kml"};
    if (row.message.empty()) {
        EXPECT_TRUE(errors.empty()) << run.output;
        expected.push_back(row.keptAs.empty() ? logs[1] + ".kml" : row.keptAs);
        expected.push_back(logs[2] + ".kml");
    } else {
        ASSERT_EQ(errors.size(), 1u) << run.output;
        EXPECT_EQ(errors[0].rfind("kvd2730-cli: get: ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(row.message), std::string::npos) << errors[0];
        // Only a failure of the link stops the run; the log after a refused slot still comes.
        if (row.exitCode == 3) expected.push_back(logs[2] + ".kml");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(out), expected);  // no partial or temporary file
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"out"});  // nothing beside the folder

    if (row.devicePluggedIn) {
        const std::optional<std::vector<std::string>> after = LogNames(sim.Port());
        ASSERT_TRUE(after) << "the port did not answer again";
        EXPECT_EQ(*after, logs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Download, FaultMatrix,
    testing::Values(
        Fails("NoEcho", "no-echo", "the device stopped answering (timed out after 0.3 s)"),
        Succeeds("WrongEcho", "wrong-echo"),
        Fails("SilenceAfterTwentyBytes", "silence-after:20",
              "the device stopped answering (timed out after 0.3 s at block 0)"),
        Fails("OverlongLine", "long-line", "the device's reply could not be read"),
        // A slot that holds a log, refused with a status of the device's choosing.
        FaultRow{"RefusalStatus", "status:7", 3,
                 "get: the device refused to send slot 1 (status 7)", "", true},
        Fails("BadCrc", "bad-crc:2", "the transfer was garbled at block 1"),
        Fails("BadComplement", "bad-complement:2", "the transfer was garbled at block 1"),
        Fails("SkippedBlock", "skip-block:2", "the transfer was garbled at block 1"),
        Succeeds("RepeatedBlock", "repeat-block:2"),
        Fails("Stall", "stall:2",
              "the device stopped answering (timed out after 0.3 s at block 2)"),
        Fails("Cancel", "cancel:2", "the device cancelled the transfer"),
        Fails("Garbage", "garbage:2", "the transfer was garbled at block 1"),
        Fails("SizeLarger", "size-larger", "the transfer was garbled"),
        Fails("SizeSmaller", "size-smaller", "the transfer was garbled"),
        Fails("SizeNegative", "size-negative", "the transfer was garbled at block 0"),
        Fails("SizeHuge", "size-huge", "the transfer was garbled at block 0"),
        Fails("BrokenEndOfFile", "broken-eot", "the transfer was garbled"),
        FaultRow{"Unplug", "unplug:2", 1, "the device was disconnected", "", false},
        Succeeds("NameClimbsUp", "file-name:../evil.LOG", "evil.LOG.kml"),
        Succeeds("AbsoluteName", "file-name:/etc/x", "x.kml"),
        Succeeds("DriveName", "file-name:C:\\x", "x.kml"),
        Fails("DotDotName", "file-name:..", "the transfer was garbled at block 0"),
        Fails("EmptyName", "file-name:", "the transfer was garbled at block 0")),
    [](const auto& test) { return std::string(test.param.name); });

struct UploadRow {
    const char* name;
    std::string fault;
    int exitCode;
    std::string message;
};

class UploadFaultMatrix : public testing::TestWithParam<UploadRow> {};

TEST_P(UploadFaultMatrix, UpdateFailsCleanlyOrArrivesWhole) {
    const UploadRow& row = GetParam();
    test::TempDir dir;
    const auto store = dir.path() / "store";
    std::filesystem::create_directory(store);
    std::vector<uint8_t> points(9000);
    for (std::size_t i = 0; i < points.size(); ++i) points[i] = static_cast<uint8_t>(i * 13 + 1);
    test::WriteBytes(dir.path() / "points.FPT", points);

    test::SimProcess sim(
        {"--store", store.string(), "--fault", row.fault + "@UpdateGpsDataX", "--fault-once"});
    const test::CommandResult run =
        RunCommand(Cli() + " --timeout 300 --port " + Quote(sim.Port()) + " update-gps " +
                   Quote((dir.path() / "points.FPT").string()));
    EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
    const std::vector<std::string> errors = ErrorLines(run.output);
    if (row.message.empty()) {
        EXPECT_TRUE(errors.empty()) << run.output;
        EXPECT_EQ(test::ReadBytes(store / "gps.FPT"), points);
    } else {
        ASSERT_EQ(errors.size(), 1u) << run.output;
        EXPECT_NE(errors[0].find(row.message), std::string::npos) << errors[0];
        EXPECT_TRUE(FilesIn(store).empty());  // the device kept nothing of a broken upload
    }
    EXPECT_TRUE(LogNames(sim.Port())) << "the port did not answer again";
}

INSTANTIATE_TEST_SUITE_P(
    Upload, UploadFaultMatrix,
    testing::Values(UploadRow{"NakForBlockThree", "nak:3", 0, ""},
                    UploadRow{"CInsteadOfAck", "c-for-ack", 0, ""},
                    UploadRow{"Cancel", "cancel:2", 1, "the device cancelled the transfer"},
                    UploadRow{"Stall", "stall:2", 1,
                              "the device stopped answering (timed out after 0.3 s at block"},
                    UploadRow{"BrokenEndOfFile", "broken-eot", 1, "the transfer was garbled"},
                    UploadRow{"RefusalStatus", "status:2", 1, "the device refused the request"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace kvd
