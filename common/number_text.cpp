#include "common/number_text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace kvd {
namespace {

constexpr uint64_t kPowersOfTen[] = {1,       10,        100,        1'000,       10'000,
                                     100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000};
constexpr int kFastPrecisionLimit = 9;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

#ifdef __SIZEOF_INT128__
// value × 10^precision rounded half to even, exactly; false when it does not fit 64 bits.
// A double is mantissa × 2^exponent, so the product is an integer shifted right, and the
// bits shifted out decide the rounding just as printf's exact decimal expansion would.
bool ScaledToUnits(double value, int precision, uint64_t& units) {
    const auto bits = std::bit_cast<uint64_t>(value);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    __extension__ typedef unsigned __int128 Wide;
    const Wide scaled = static_cast<Wide>(mantissa) * kPowersOfTen[precision];  // < 2^83
    Wide result = 0;
    if (exponent >= 0) {
        if (exponent > 11) return false;  // beyond 2^64 whatever the precision
        result = scaled << exponent;
    } else if (exponent > -128) {
        const int shift = -exponent;
        result = scaled >> shift;
        const Wide rest = scaled - (result << shift);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (result & 1) != 0)) ++result;
    }  // else: below 2^-127 × 2^83, less than half a unit, rounds to zero
    if ((result >> 64) != 0) return false;
    units = static_cast<uint64_t>(result);
    return true;
}

// units / 10^Precision as digits, a point and Precision decimals. The precision is a constant
// here, so the divisions become multiplications.
template <int Precision>
std::to_chars_result WriteUnits(char* first, char* last, uint64_t units, bool negative) {
    constexpr uint64_t kScale = kPowersOfTen[Precision];
    const uint64_t whole = units / kScale;
    uint64_t fraction = units % kScale;
    std::size_t wholeDigits = 1;
    for (uint64_t rest = whole; rest >= 10; rest /= 10) ++wholeDigits;
    const std::size_t length = (negative ? 1 : 0) + wholeDigits + (Precision > 0 ? 1 : 0) +
                               static_cast<std::size_t>(Precision);
    if (static_cast<std::size_t>(last - first) < length) {
        return {last, std::errc::value_too_large};
    }
    char* out = first;
    if (negative) *out++ = '-';
    out = std::to_chars(out, out + wholeDigits, whole).ptr;
    if constexpr (Precision > 0) {
        *out++ = '.';
        // Two digits at a time from the right, then the odd one left over.
        int i = Precision;
        for (; i >= 2; i -= 2) {
            const auto pair = static_cast<std::size_t>(fraction % 100);
            fraction /= 100;
            out[i - 1] = kDigitPairs[2 * pair + 1];
            out[i - 2] = kDigitPairs[2 * pair];
        }
        if (i == 1) out[0] = static_cast<char>('0' + fraction);
        out += Precision;
    }
    return {out, std::errc{}};
}
#endif

}  // namespace

int32_t AtoiSaturated(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'),
                                  int64_t{std::numeric_limits<int32_t>::max()} + 1);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::to_chars_result FixedToChars(char* first, char* last, double value, int precision) {
#ifdef __SIZEOF_INT128__
    uint64_t units = 0;
    if (precision >= 0 && precision <= kFastPrecisionLimit && std::isfinite(value) &&
        ScaledToUnits(value, precision, units)) {
        const bool negative = std::signbit(value);  // -0.0 prints "-0.000000" too
        switch (precision) {
            case 0:
                return WriteUnits<0>(first, last, units, negative);
            case 1:
                return WriteUnits<1>(first, last, units, negative);
            case 2:
                return WriteUnits<2>(first, last, units, negative);
            case 3:
                return WriteUnits<3>(first, last, units, negative);
            case 4:
                return WriteUnits<4>(first, last, units, negative);
            case 5:
                return WriteUnits<5>(first, last, units, negative);
            case 6:
                return WriteUnits<6>(first, last, units, negative);
            case 7:
                return WriteUnits<7>(first, last, units, negative);
            case 8:
                return WriteUnits<8>(first, last, units, negative);
            default:
                return WriteUnits<9>(first, last, units, negative);
        }
    }
#endif
    return std::to_chars(first, last, value, std::chars_format::fixed, precision);
}

}  // namespace kvd
