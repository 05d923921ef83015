// The zip of one entry, checked by a real reader: unzip tests the CRC-32 and sizes and gives
// back the entry's bytes.
#include "gpslog/zip_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::Quote;
using test::RunCommand;

std::vector<uint8_t> RandomBytes(std::size_t count) {
    std::mt19937 random(2730);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

std::vector<uint8_t> RepeatedText(std::size_t count) {
    const std::string line =
        "<Placemark><name>12:00:01</name><coordinates>139.7,35.6,0"
        "</coordinates></Placemark>\n";
    std::vector<uint8_t> bytes;
    while (bytes.size() < count) bytes.insert(bytes.end(), line.begin(), line.end());
    bytes.resize(count);
    return bytes;
}

// The zip of bytes, given to the stream in pieces of at most piece bytes.
std::vector<uint8_t> Zip(const std::vector<uint8_t>& bytes, std::size_t piece) {
    test::MemorySink sink;
    ZipEntryStream zip(sink, "doc.kml");
    std::string error;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t count = std::min(piece, bytes.size() - at);
        EXPECT_TRUE(zip.Write({bytes.data() + at, count}, error)) << error;
    }
    EXPECT_TRUE(zip.Finish(error)) << error;
    return sink.bytes();
}

TEST(ZipEntryStream, UnzipReadsBackEveryEntryExactly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::size_t piece;
    };
    const Case cases[] = {
        {"an empty entry", {}, 1},
        {"text in small pieces", RepeatedText(200'000), 7},
        {"bytes that do not compress", RandomBytes(300'000), 65'536},
        {"a large compressible entry", std::vector<uint8_t>(24 << 20, 0), 1 << 20},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::filesystem::path file = dir.path() / "a.kmz";
        const std::vector<uint8_t> zip = Zip(c.bytes, c.piece);
        test::WriteBytes(file, zip);
        const test::CommandResult check = RunCommand("unzip -t " + Quote(file.string()));
        EXPECT_EQ(check.exitCode, 0) << c.what << "\n" << check.output;
        EXPECT_NE(check.output.find("testing: doc.kml"), std::string::npos) << check.output;
        const test::CommandResult list = RunCommand("unzip -Z1 " + Quote(file.string()));
        EXPECT_EQ(list.output, "doc.kml\n") << c.what;
        EXPECT_EQ(RunCommand("unzip -p " + Quote(file.string()) + " > " +
                             Quote((dir.path() / "out").string()))
                      .exitCode,
                  0);
        EXPECT_EQ(test::ReadBytes(dir.path() / "out"), c.bytes) << c.what;
        // The same bytes make the same zip: a log saved before is recognised by its bytes.
        EXPECT_EQ(Zip(c.bytes, 4096), zip) << c.what;
    }
}

// A sink that stops taking bytes after a number of them, as a full disk does.
class FullAfter final : public ByteSink {
  public:
    explicit FullAfter(std::size_t room) : room_(room) {}
    bool Write(std::span<const uint8_t> bytes, std::string& error) override {
        if (bytes.size() > room_) {
            error = "no space left on device";
            return false;
        }
        room_ -= bytes.size();
        return true;
    }

  private:
    std::size_t room_;
};

TEST(ZipEntryStream, AZipPastItsBoundFailsAndStaysFailed) {
    // The bound stands in for 4 GiB, which an entry or a zip without Zip64 cannot pass.
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint64_t largest;
        bool fits;
    };
    const Case cases[] = {
        {"an entry that fits, deflated far below", std::vector<uint8_t>(4000, 0), 4000, true},
        {"an entry one byte too large", std::vector<uint8_t>(4001, 0), 4000, false},
        {"an entry that fits whose zip does not", RandomBytes(3000), 3000, false},
    };
    for (const Case& c : cases) {
        test::MemorySink sink;
        ZipEntryStream zip(sink, "doc.kml", c.largest);
        std::string error;
        const bool ok = zip.Write(c.bytes, error) && zip.Finish(error);
        EXPECT_EQ(ok, c.fits) << c.what << ": " << error;
        EXPECT_LE(sink.bytes().size(), c.largest) << c.what;
        if (c.fits) continue;
        EXPECT_NE(error.find("larger than 4 GiB"), std::string::npos) << c.what << ": " << error;
        error.clear();
        EXPECT_FALSE(zip.Write(std::vector<uint8_t>(1, 0), error)) << c.what;
        EXPECT_FALSE(zip.Finish(error)) << c.what;
        EXPECT_NE(error.find("larger than 4 GiB"), std::string::npos) << c.what << ": " << error;
    }
}

TEST(ZipEntryStream, AWriteErrorOfTheFileIsItsError) {
    FullAfter full(100);
    ZipEntryStream zip(full, "doc.kml");
    std::string error;
    const bool ok = zip.Write(RandomBytes(100'000), error) && zip.Finish(error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "no space left on device");
    EXPECT_FALSE(zip.Finish(error));
}

}  // namespace
}  // namespace kvd
