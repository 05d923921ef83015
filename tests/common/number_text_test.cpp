#include "common/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <random>

namespace kvd {
namespace {

std::string Fixed(double value, int precision) {
    char text[400];
    const auto result = FixedToChars(text, text + sizeof text, value, precision);
    EXPECT_EQ(result.ec, std::errc{});
    return std::string(text, result.ptr);
}

std::string Printf(double value, int precision) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", precision, value);
    return text;
}

TEST(FixedToChars, PrintsAsPrintfOnTrickyValues) {
    const double values[] = {0.0,
                             -0.0,
                             0.5,
                             1.5,
                             2.5,
                             -0.5,
                             -2.5,  // halves: ties go to the even digit
                             0.125,
                             0.375,
                             -0.125,
                             2.675,
                             1.005,
                             9.995,
                             359.95,
                             0.0000005,
                             0.0000015,
                             9.9999995,
                             1e-7,
                             -1e-7,
                             4.9e-324,
                             -4.9e-324,
                             DBL_MIN,
                             35.681236,
                             -139.767125,
                             180.0,
                             -180.0,
                             655.35,
                             4294.967295,
                             1234567.8912345,
                             1e15,
                             9007199254740993.0,
                             1.8446744073709552e19,
                             1e19,
                             9.3e18,
                             1e22,
                             1e300,
                             DBL_MAX,
                             -DBL_MAX};
    for (const double value : values) {
        for (int precision = 0; precision <= 12; ++precision) {
            EXPECT_EQ(Fixed(value, precision), Printf(value, precision))
                << "%." << precision << "f of " << value;
        }
    }
}

TEST(FixedToChars, NotFiniteAsTheLibraryPrintsIt) {
    for (const double value : {INFINITY, -INFINITY, NAN, -NAN}) {
        char ours[32];
        char library[32];
        const auto a = FixedToChars(ours, ours + sizeof ours, value, 6);
        const auto b =
            std::to_chars(library, library + sizeof library, value, std::chars_format::fixed, 6);
        EXPECT_EQ(std::string(ours, a.ptr), std::string(library, b.ptr));
    }
}

TEST(FixedToChars, PrintsAsPrintfOnRandomValues) {
    std::mt19937_64 random(20130601);
    std::uniform_real_distribution<double> degrees(-180.0, 180.0);
    std::uniform_int_distribution<int> precisions(0, 9);
    std::uniform_int_distribution<int> scales(-12, 20);
    for (int i = 0; i < 200'000; ++i) {
        double value = 0.0;
        switch (i % 4) {
            case 0:
                value = degrees(random);
                break;
            case 1:
                value = static_cast<int32_t>(random()) / 1e6;
                break;  // a scaled raw field
            case 2:
                value = degrees(random) * std::pow(10.0, scales(random));
                break;
            default: {
                const uint64_t bits = random();
                value = std::bit_cast<double>(bits);  // any double at all
                if (!std::isfinite(value)) continue;
            }
        }
        const int precision = precisions(random);
        ASSERT_EQ(Fixed(value, precision), Printf(value, precision))
            << "%." << precision << "f of " << value;
    }
}

TEST(FixedToChars, TooSmallABufferIsReportedAsTheLibraryDoes) {
    char text[8];
    const auto result = FixedToChars(text, text + sizeof text, -139.767125, 6);
    EXPECT_EQ(result.ec, std::errc::value_too_large);
    EXPECT_EQ(result.ptr, text + sizeof text);
    const auto fits = FixedToChars(text, text + sizeof text, -1.5, 5);  // "-1.50000"
    EXPECT_EQ(std::string(text, fits.ptr), "-1.50000");
}

}  // namespace
}  // namespace kvd
