#include <gtest/gtest.h>

#include <algorithm>

#include "gpslog_test_support.h"

namespace kvd {
namespace {

TEST(LogFormat, BlocksAreLittleEndianAtTheirOffsets) {
    const LogBlock header = EncodeLogHeader(test::HeaderAt(2013, 6, 1, 12, 34, 56, 0x0105));
    const LogBlock expectedHeader = {0, 0, 0x05, 0x01, 0, 0, 0, 0, 0xDD, 0x07, 6, 1, 12, 34, 56, 0};
    EXPECT_EQ(header, expectedHeader);

    const LogBlock fix = EncodeFixBlock({0x01020304, 0x80000000, 0x1234, 3599, 2, 1});
    const LogBlock expectedFix = {0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0x80,
                                  0x34, 0x12, 0x0F, 0x0E, 2, 1, 0, 0};
    EXPECT_EQ(fix, expectedFix);
}

TEST(LogFormat, DecodersIgnoreTheUnusedBytes) {
    LogBlock header = EncodeLogHeader(test::HeaderAt(2020, 2, 29, 23, 59, 59, 60));
    LogBlock fix = EncodeFixBlock(test::Valid(35681236, 139767125, 1234, 3599, 7));
    for (std::size_t unused : {0u, 1u, 4u, 5u, 6u, 7u, 15u}) header[unused] = 0xAA;
    fix[14] = fix[15] = 0xAA;
    EXPECT_EQ(DecodeLogHeader(header.data()), test::HeaderAt(2020, 2, 29, 23, 59, 59, 60));
    EXPECT_EQ(DecodeFixBlock(fix.data()), test::Valid(35681236, 139767125, 1234, 3599, 7));
}

TEST(SyntheticTrip, SameSeedSameBytesOtherSeedOtherTrip) {
    EXPECT_EQ(MakeSyntheticTrip(7, 500, 1), MakeSyntheticTrip(7, 500, 1));
    EXPECT_NE(MakeSyntheticTrip(7, 500, 1), MakeSyntheticTrip(8, 500, 1));
    const auto bytes = MakeSyntheticTrip(7, 500, 5);
    EXPECT_EQ(bytes.size(), 501 * kLogBlockSize);
    EXPECT_EQ(DecodeLogHeader(bytes.data()).interval, 5);
}

TEST(SyntheticTrip, LooksLikeADrive) {
    const SyntheticTrip trip = MakeSyntheticTripBlocks(42, 20000, 1);
    ASSERT_EQ(trip.fixes.size(), 20000u);
    EXPECT_EQ(trip.fixes.front().valid, 0) << "the receiver starts without a position";
    std::size_t invalid = 0, marked = 0, moving = 0, stopped = 0;
    uint16_t fastest = 0;
    for (const FixBlock& fix : trip.fixes) {
        if (fix.valid == 0) {
            ++invalid;
            continue;
        }
        marked += fix.mark != 0;
        (fix.speed >= 1000 ? moving : stopped) += 1;
        fastest = std::max(fastest, fix.speed);
        EXPECT_LT(fix.direction, 3600);
        EXPECT_NEAR(fix.latitude / 1e6, 35.68, 1.0);
        EXPECT_NEAR(fix.longitude / 1e6, 139.77, 1.0);
    }
    EXPECT_GT(invalid, 5u);
    EXPECT_LT(invalid, 2000u);
    EXPECT_GT(marked, 3u);
    EXPECT_GT(moving, 1000u);
    EXPECT_GT(stopped, 100u);
    EXPECT_LE(fastest, 12000) << "no faster than 120 in the device's unit";
    const LogHeader& h = trip.header;
    EXPECT_TRUE(h.year >= 2013 && h.month >= 1 && h.month <= 12 && h.day >= 1 && h.day <= 28 &&
                h.hour <= 23 && h.minute <= 59 && h.second <= 59);
}

}  // namespace
}  // namespace kvd
