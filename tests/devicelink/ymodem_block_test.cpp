// Block framing, the CRC, block 0's fields, safe names and the write-then-rename.
#include "devicelink/ymodem_block.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/atomic_file.h"
#include "common/file_names.h"
#include "devicelink/safe_file_name.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;

TEST(BlockCrc16, MatchesTheKnownAnswerOfCrc16Xmodem) {
    const std::string check = "123456789";
    EXPECT_EQ(BlockCrc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
    EXPECT_EQ(BlockCrc16(nullptr, 0), 0x0000);
}

TEST(FrameBlock, ChecksCatchADamagedByteAnywhere) {
    for (const uint8_t type : {kStx, kSoh}) {
        std::array<uint8_t, kLongBlockLength> block{};
        for (std::size_t i = 0; i < BlockDataLength(type); ++i)
            block[kBlockHead + i] = static_cast<uint8_t>(i * 13);
        FrameBlock(block.data(), type, 255);
        EXPECT_EQ(block[1], 255);
        EXPECT_EQ(block[2], 0);
        EXPECT_TRUE(BlockCrcMatches(block.data()));
        EXPECT_TRUE(BlockComplementMatches(block.data()));

        auto damaged = block;
        damaged[kBlockHead + 100] ^= 0x04;
        EXPECT_FALSE(BlockCrcMatches(damaged.data()));
        damaged = block;
        damaged[BlockLength(type) - 1] ^= 0x01;  // the CRC's low byte
        EXPECT_FALSE(BlockCrcMatches(damaged.data()));
        damaged = block;
        damaged[2] ^= 0x80;
        EXPECT_FALSE(BlockComplementMatches(damaged.data()));
    }
    EXPECT_EQ(BlockLength(kStx), 1029u);
    EXPECT_EQ(BlockLength(kSoh), 133u);
}

TEST(HeaderBlock, CarriesNameAndSizeAndEndsTheBatchWhenEmpty) {
    std::array<uint8_t, kLongBlockLength> block{};
    ASSERT_TRUE(FrameHeaderBlock(block.data(), kStx, "gps.FPT", "1000 100 100644 "));
    EXPECT_TRUE(BlockCrcMatches(block.data()));
    EXPECT_EQ(block[1], 0);
    EXPECT_EQ(block[2], 0xFF);
    const HeaderFields fields = ReadHeaderFields(block.data());
    EXPECT_EQ(fields.name, "gps.FPT");
    EXPECT_EQ(fields.sizeText, "1000");

    ASSERT_TRUE(FrameHeaderBlock(block.data(), kStx, "", "ignored "));
    EXPECT_EQ(ReadHeaderFields(block.data()).name, "");
    EXPECT_EQ(block[kLongBlockLength - 2], 0);  // all zero, so the CRC is 0 too
    EXPECT_EQ(block[kLongBlockLength - 1], 0);

    EXPECT_FALSE(FrameHeaderBlock(block.data(), kStx, std::string(1020, 'n'), "1 2 100644 "));
    EXPECT_FALSE(FrameHeaderBlock(block.data(), kSoh, std::string(120, 'n'), "1 2 100644 "));
}

TEST(HeaderBlock, ANameWithoutNulStaysInsideTheBlock) {
    std::array<uint8_t, kLongBlockLength> block{};
    std::fill(block.begin() + kBlockHead, block.begin() + kBlockHead + 128, 'a');
    FrameBlock(block.data(), kSoh, 0);
    const HeaderFields fields = ReadHeaderFields(block.data());
    EXPECT_EQ(fields.name, std::string(128, 'a'));
    EXPECT_EQ(fields.sizeText, "");
}

TEST(ParseSizeField, ReadsLikeAtoiButRefusesNegativeAndHugeSizes) {
    const struct {
        const char* text;
        int64_t size;
    } cases[] = {
        {"1500", 1500},
        {"  42", 42},
        {"+7", 7},
        {"12abc", 12},
        {"", 0},
        {"abc", 0},
        {"-0", 0},
        {"-1", -1},
        {"-1500", -1},
        {"268435456", kMaxTransferSize},
        {"268435457", -1},
        {"99999999999", -1},
        {"99999999999999999999999", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseSizeField(c.text), c.size) << c.text;
}

TEST(FormatOctal, HasNoLeadingZerosAndIsEmptyForZero) {
    EXPECT_EQ(FormatOctal(0), "");
    EXPECT_EQ(FormatOctal(64), "100");
    EXPECT_EQ(FormatOctal(7), "7");
    EXPECT_EQ(FormatOctal(1'700'000'000), "14524770400");
    EXPECT_EQ(FormatOctal(UINT64_MAX), "1777777777777777777777");
}

TEST(SafeBaseName, KeepsOnlyAPlainLastComponent) {
    const struct {
        const char* name;
        const char* safe;  // nullptr: cannot be made safe
    } cases[] = {
        {"06121530.LOG", "06121530.LOG"},
        {"../evil.LOG", "evil.LOG"},
        {"..\\..\\evil.LOG", "evil.LOG"},
        {"/etc/x", "x"},
        {"C:\\x", "x"},
        {"C:x", "x"},
        {"\\\\server\\share\\y", "y"},
        {"dir/", nullptr},
        {"..", nullptr},
        {".", nullptr},
        {"", nullptr},
        {"C:", nullptr},
        {"a/..", nullptr},
        {". .", nullptr},
        {"bad\nname", nullptr},
        {"name with space.LOG", "name with space.LOG"},
    };
    for (const auto& c : cases) {
        const auto safe = SafeBaseName(c.name);
        if (c.safe) {
            EXPECT_EQ(safe.value_or("<none>"), c.safe) << c.name;
        } else {
            EXPECT_FALSE(safe.has_value()) << c.name << " gave " << *safe;
        }
    }
}

TEST(IsWindowsDeviceName, TheNamesWindowsGivesToDevicesInEveryFolder) {
    for (const char* device :
         {"NUL", "NUL.LOG", "nul.log", "CON", "con.txt.LOG", "AUX", "PRN.LOG", "COM1.LOG", "com9",
          "COM0", "LPT1", "lpt9.LOG", "NUL .LOG", "CONIN$", "conout$.LOG", "COM\xC2\xB9.LOG"})
        EXPECT_TRUE(IsWindowsDeviceName(device)) << device;
    for (const char* file : {"06011200.LOG", "NULL.LOG", "CONSOLE", "COM10.LOG", "LPT", "COMA",
                             "_NUL.LOG", "A.NUL", ".NUL", "NUL (2).LOG", "AUX1", ""})
        EXPECT_FALSE(IsWindowsDeviceName(file)) << file;
}

class WriteFileAtomicallyTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kvd-atomic-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }

    fs::path folder_;
};

TEST_F(WriteFileAtomicallyTest, CreatesAndReplacesWithoutLeavingATemporaryFile) {
    const fs::path target = folder_ / "a.bin";
    const std::string first = "first", second(5000, 'z');
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(
        target, {reinterpret_cast<const uint8_t*>(first.data()), first.size()}, error))
        << error;
    ASSERT_TRUE(WriteFileAtomically(
        target, {reinterpret_cast<const uint8_t*>(second.data()), second.size()}, error))
        << error;
    EXPECT_EQ(Read(target), second);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(WriteFileAtomicallyTest, AMissingFolderFailsWithItsCause) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(folder_ / "missing" / "a.bin", {}, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_EQ(EntryCount(), 0u);
}

}  // namespace
}  // namespace kvd
