#include <gtest/gtest.h>

#include <fstream>

#include "cli_test_support.h"
#include "gpslog/log_format.h"

namespace kvd {
namespace {

using test::Cli;
using test::Quote;
using test::RunCommand;

TEST(CliConvert, OneLinePerFileAndExitThreeWhenAnyFails) {
    test::TempDir dir;
    const auto good = dir.path() / "0601.LOG";
    const auto bad = dir.path() / "short.LOG";
    test::WriteBytes(good, MakeSyntheticTrip(1, 50, 1));
    test::WriteBytes(bad, {1, 2, 3});
    const auto out = dir.path() / "out";
    std::filesystem::create_directory(out);

    const test::CommandResult run =
        RunCommand("TZ=Asia/Tokyo " + Cli() + " convert " + Quote(good.string()) + " " +
                   Quote(bad.string()) + " " + Quote((dir.path() / "missing.LOG").string()) +
                   " -o " + Quote(out.string()) + " --offline");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find(good.string() + " -> " + (out / "0601.LOG.kml").string()),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(bad.string() + ": failed: log of 3 bytes is shorter"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("missing.LOG: failed: cannot open"), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 3) << run.output;
    EXPECT_TRUE(std::filesystem::exists(out / "0601.LOG.kml"));
    EXPECT_FALSE(std::filesystem::exists(out / "short.LOG.kml"));
}

TEST(CliConvert, CurrentFolderByDefaultAndZeroWhenAllSucceed) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "a&b.LOG", MakeSyntheticTrip(2, 20, 5));
    const test::CommandResult run =
        RunCommand("cd " + Quote(dir.str()) + " && " + Cli() + " convert 'a&b.LOG' --offline");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "a&b.LOG.kml"));
}

// Inputs that are not logs of any size the device could hold are refused without being
// read whole, and the files after them are still converted.
TEST(CliConvert, RefusesInputsLargerThanAnyLogAndGoesOn) {
    test::TempDir dir;
    const auto sparse = dir.path() / "sparse.LOG";
    { std::ofstream create(sparse); }
    std::filesystem::resize_file(sparse, 3'000'000'000);  // no blocks used
    const auto good = dir.path() / "0601.LOG";
    test::WriteBytes(good, MakeSyntheticTrip(1, 20, 1));

    const test::CommandResult run =
        RunCommand(Cli() + " convert /dev/zero " + Quote(sparse.string()) + " " +
                   Quote(good.string()) + " -o " + Quote(dir.str()) + " --offline");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("/dev/zero: failed: is more than 268435456 bytes, larger than any "
                              "log (at most 268435456 bytes)"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("sparse.LOG: failed: is 3000000000 bytes, larger than any log"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(good.string() + " -> "), std::string::npos) << run.output;
    EXPECT_EQ(test::FilesIn(dir.path()),
              (std::vector<std::string>{"0601.LOG", "0601.LOG.kml", "sparse.LOG"}));
}

// The temporary file beside the KML must not be longer than the KML's own name.
TEST(CliConvert, NameNearTheFileSystemLimit) {
    test::TempDir dir;
    const std::string name = std::string(231, 'n') + ".LOG";  // 239 bytes with ".kml"
    test::WriteBytes(dir.path() / name, MakeSyntheticTrip(3, 20, 1));
    const test::CommandResult run =
        RunCommand("cd " + Quote(dir.str()) + " && " + Cli() + " convert " + name + " --offline");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / (name + ".kml")));
    EXPECT_EQ(test::FilesIn(dir.path()).size(), 2u);
}

TEST(CliConvert, FormatChoosesTheFilesWritten) {
    struct Case {
        const char* format;  // empty: none given
        int exitCode;
        bool kml;
        bool kmz;
        bool gpx;
        const char* says;
    };
    const Case cases[] = {
        {"", 0, true, false, false, "T.LOG.kml"},
        {"--format kml", 0, true, false, false, "T.LOG.kml"},
        {"--format gpx", 0, false, false, true, "T.LOG.gpx"},
        {"-f kml,gpx", 0, true, false, true, "T.LOG.gpx"},
        {"--format=gpx,kml", 0, true, false, true, "T.LOG.kml"},
        {"--format kmz", 0, false, true, false, "T.LOG.kmz"},
        {"-f kml,kmz", 0, true, true, false, "T.LOG.kmz"},
        {"--format gpx,kmz,kml", 0, true, true, true, "T.LOG.kmz"},
        {"--format kmx", 2, false, false, false, "unknown format 'kmx'"},
        {"--format kml,", 2, false, false, false, "unknown format ''"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteBytes(dir.path() / "T.LOG", MakeSyntheticTrip(3, 30, 1));
        const test::CommandResult run = RunCommand("cd " + Quote(dir.str()) + " && " + Cli() +
                                                   " convert T.LOG --offline " + c.format);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.format << "\n" << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.format << "\n" << run.output;
        EXPECT_EQ(std::filesystem::exists(dir.path() / "T.LOG.kml"), c.kml) << c.format;
        EXPECT_EQ(std::filesystem::exists(dir.path() / "T.LOG.kmz"), c.kmz) << c.format;
        EXPECT_EQ(std::filesystem::exists(dir.path() / "T.LOG.gpx"), c.gpx) << c.format;
    }
}

TEST(CliConvert, KmzHoldsTheKmlAndIsTheSameLogNextTime) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "T.LOG", MakeSyntheticTrip(3, 300, 1));
    const std::string convert = "cd " + Quote(dir.str()) + " && TZ=Asia/Tokyo " + Cli() +
                                " convert T.LOG --offline -o out -f kml,kmz";
    const test::CommandResult run = RunCommand(convert);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "T.LOG -> out/T.LOG.kml\nT.LOG -> out/T.LOG.kmz\n");
    const std::string kmz = Quote((dir.path() / "out" / "T.LOG.kmz").string());
    const test::CommandResult check = RunCommand("unzip -t " + kmz);
    EXPECT_EQ(check.exitCode, 0) << check.output;
    const test::CommandResult same = RunCommand("unzip -p " + kmz + " doc.kml | cmp - " +
                                                Quote((dir.path() / "out" / "T.LOG.kml").string()));
    EXPECT_EQ(same.exitCode, 0) << same.output;
    // The same log converted again makes the same bytes: its files count as saved already.
    const test::CommandResult again = RunCommand(convert);
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(again.output, run.output);
    EXPECT_EQ(test::FilesIn(dir.path() / "out"),
              (std::vector<std::string>{"T.LOG.kml", "T.LOG.kmz"}));
}

TEST(CliConvert, ABadLogBecomesNeitherFormat) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "short.LOG", {1, 2, 3});
    const test::CommandResult run = RunCommand("cd " + Quote(dir.str()) + " && " + Cli() +
                                               " convert short.LOG --offline --format kml,gpx");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_EQ(test::FilesIn(dir.path()), std::vector<std::string>{"short.LOG"});
}

TEST(CliUsage, HelpVersionAndMistakes) {
    struct Case {
        std::string args;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {"--help", 0, "Usage: kvd2730-cli [OPTIONS] COMMAND"},
        {"--version", 0, "kvd2730-cli 0."},
        {"convert --help", 0, "Usage: kvd2730-cli convert LOGFILE..."},
        {"", 2, "Usage: kvd2730-cli"},
        {"frobnicate", 2, "unknown command 'frobnicate'"},
        {"convert", 2, "no log file given"},
        {"convert a.LOG --bogus", 2, "unknown option --bogus"},
        {"convert a.LOG -o", 2, "option -o needs a value"},
    };
    for (const Case& c : cases) {
        const test::CommandResult run = RunCommand(Cli() + " " + c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args << "\n" << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.args << "\n" << run.output;
    }
}

// `-o -` gives the document's bytes exactly as the file holds them, in either format, and a
// reader downstream of the pipe takes them.
TEST(CliStandardOutput, ConvertGivesTheFilesBytesToAPipe) {
    test::TempDir dir;
    const auto log = dir.path() / "0601.LOG";
    test::WriteBytes(log, MakeSyntheticTrip(3, 40, 1));
    const std::string convert = "TZ=UTC " + Cli() + " --offline convert " + Quote(log.string());
    for (const char* format : {"kml", "gpx"}) {
        const test::CommandResult toFile =
            RunCommand(convert + " --format " + format + " -o " + Quote(dir.str()));
        ASSERT_EQ(toFile.exitCode, 0) << toFile.output;
        const auto piped = dir.path() / (std::string("piped.") + format);
        const test::CommandResult toPipe = RunCommand("{ " + convert + " --format " + format +
                                                      " -o - >" + Quote(piped.string()) + "; }");
        ASSERT_EQ(toPipe.exitCode, 0) << toPipe.output;
        EXPECT_EQ(toPipe.output, "");
        EXPECT_EQ(test::ReadBytes(piped),
                  test::ReadBytes(dir.path() / (std::string("0601.LOG.") + format)))
            << format;
    }
    const auto gpx = dir.path() / "babel.gpx";
    const test::CommandResult babel =
        RunCommand("{ " + convert + " -o - 2>/dev/null; } | " + "gpsbabel -i kml -f - -o gpx -F " +
                   Quote(gpx.string()));
    ASSERT_EQ(babel.exitCode, 0) << babel.output;
    EXPECT_NE(test::ReadText(gpx).find("<trkpt"), std::string::npos);
}

// Standard output holds one document: more than one is a mistake before anything is done.
TEST(CliStandardOutput, MoreThanOneDocumentIsAUsageError) {
    test::TempDir dir;
    const std::string log = Quote((dir.path() / "a.LOG").string());
    test::WriteBytes(dir.path() / "a.LOG", MakeSyntheticTrip(1, 5, 1));
    const std::string lines[] = {
        " convert " + log + " " + log + " -o -", " convert " + log + " -o - --format kml,gpx",
        " --port /dev/null get 0 1 -o -",        " --port /dev/null get --all -o -",
        " --port /dev/null get 0 --new -o -",    " --port /dev/null get 0 --keep-raw -o -",
    };
    for (const std::string& line : lines) {
        const test::CommandResult run = RunCommand("{ " + Cli() + line + " 2>/dev/null; }");
        EXPECT_EQ(run.exitCode, 2) << line;
        EXPECT_EQ(run.output, "") << line;
    }
}

// A pipe whose reader has gone is a failure said on standard error, not a silent end.
TEST(CliStandardOutput, AClosedPipeIsAFailure) {
    test::TempDir dir;
    const auto log = dir.path() / "long.LOG";
    test::WriteBytes(log, MakeSyntheticTrip(2, 20000, 1));
    const auto status = dir.path() / "status";
    const test::CommandResult run = RunCommand(
        "{ { " + Cli() + " --offline convert " + Quote(log.string()) + " -o - 2>&3; echo $? >" +
        Quote(status.string()) + "; } | head -c 10 >/dev/null; } 3>&1");
    EXPECT_EQ(test::ReadText(status), "1\n") << run.output;
    EXPECT_NE(run.output.find("kvd2730-cli: cannot write to standard output"), std::string::npos)
        << run.output;
}

// A conversion told a zone writes, byte for byte, what one made in that zone writes; the
// process's own zone (far from it) plays no part.
TEST(CliConvertZone, ZoneAndUtcWriteWhatAConversionInThatZoneWrites) {
    struct Case {
        const char* options;
        const char* referenceZone;  // TZ of the reference conversion
    };
    const Case cases[] = {
        {"--zone Asia/Tokyo", "Asia/Tokyo"},
        {"--zone +09:00", "Asia/Tokyo"},
        {"--zone=America/St_Johns", "America/St_Johns"},
        {"--zone Europe/Berlin", "Europe/Berlin"},
        {"--utc", "UTC"},
        {"--zone +00:00", "UTC"},
    };
    test::TempDir dir;
    // A trip across the night the clocks go forward in Berlin, marks and gaps included.
    SyntheticTrip trip = MakeSyntheticTripBlocks(4, 200, 60);
    trip.header = {60, 2014, 3, 30, 0, 10, 0};
    test::WriteBytes(dir.path() / "T.LOG", EncodeLog(trip.header, trip.fixes));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const auto reference = dir.path() / ("ref-" + std::string(c.referenceZone).substr(0, 4));
        const auto told = dir.path() / "told";
        std::filesystem::remove_all(told);
        const std::string convert = Cli() + " convert " + Quote((dir.path() / "T.LOG").string()) +
                                    " --offline --format kml,gpx -o ";
        const test::CommandResult ref = RunCommand("TZ=" + std::string(c.referenceZone) + " " +
                                                   convert + Quote(reference.string()));
        ASSERT_EQ(ref.exitCode, 0) << ref.output;
        const test::CommandResult run = RunCommand("TZ=America/Los_Angeles " + convert +
                                                   Quote(told.string()) + " " + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        for (const char* file : {"T.LOG.kml", "T.LOG.gpx"}) {
            EXPECT_EQ(test::ReadBytes(told / file), test::ReadBytes(reference / file)) << file;
        }
    }
}

// Each fix shows the offset of its own moment: Berlin's clocks jump from 02:00 to 03:00.
TEST(CliConvertZone, BerlinAroundTheChangeOfClocksFixByFix) {
    test::TempDir dir;
    const FixBlock at = {52520000, 13405000, 0, 0, 0, 1};
    test::WriteBytes(dir.path() / "T.LOG",
                     EncodeLog({1200, 2014, 3, 30, 1, 20, 0}, std::vector<FixBlock>(4, at)));
    const test::CommandResult run =
        RunCommand("cd " + Quote(dir.str()) + " && TZ=Asia/Tokyo " + Cli() +
                   " convert T.LOG --offline --format kml,gpx --zone Europe/Berlin");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string kml = test::DecodeUtf16Le(test::ReadBytes(dir.path() / "T.LOG.kml"));
    std::vector<std::string> begins;
    for (std::size_t from = kml.find("<begin>"); from != std::string::npos;
         from = kml.find("<begin>", from + 1)) {
        begins.push_back(kml.substr(from + 7, 25));
    }
    EXPECT_EQ(begins,
              (std::vector<std::string>{"2014-03-30T01:20:00+01:00", "2014-03-30T01:40:00+01:00",
                                        "2014-03-30T03:00:00+02:00", "2014-03-30T03:20:00+02:00"}));
    const std::string gpx = test::ReadText((dir.path() / "T.LOG.gpx").string());
    EXPECT_NE(gpx.find("<time>2014-03-30T00:20:00Z</time>"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<time>2014-03-30T01:20:00Z</time>"), std::string::npos) << gpx;
}

// A zone that cannot be read is a mistake on the command line: exit status 2, no file, for
// both commands that convert.
TEST(CliConvertZone, BadZonesAreUsageErrors) {
    struct Case {
        const char* options;
        const char* says;
    };
    const Case cases[] = {
        {"--zone Nowhere/Land", "unknown time zone 'Nowhere/Land'"},
        {"--zone Europe", "unknown time zone 'Europe'"},
        {"--zone ../../etc/passwd", "'../../etc/passwd' is no time zone name"},
        {"--zone +25:00", "'+25:00' is no offset from UTC"},
        {"--zone 9", "unknown time zone '9'"},
        {"--zone ''", "'' is no time zone name"},
        {"--utc --zone +01:00", "--utc and --zone name two zones"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteBytes(dir.path() / "T.LOG", MakeSyntheticTrip(3, 30, 1));
        for (const std::string command : {"convert T.LOG --offline ", "get 1 -o out "}) {
            const test::CommandResult run =
                RunCommand("cd " + Quote(dir.str()) + " && " + Cli() + " " + command + c.options);
            EXPECT_EQ(run.exitCode, 2) << command << c.options << "\n" << run.output;
            EXPECT_NE(run.output.find(c.says), std::string::npos) << command << "\n" << run.output;
        }
        EXPECT_EQ(test::FilesIn(dir.path()), std::vector<std::string>{"T.LOG"}) << c.options;
    }
}

}  // namespace
}  // namespace kvd
