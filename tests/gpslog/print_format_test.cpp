#include "gpslog/print_format.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/text_sink.h"
#include "common/utf8.h"
#include "shell/shell.h"

namespace kvd {
namespace {

std::string Printf(const char* format, double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Printf(const char* format, int value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The fast formatter stands in for printf: it must print every value as printf does.
TEST(PrintFormat, RealsAsPrintfPrintsThem) {
    const double values[] = {0.0,    -0.0,       0.5,       9.995,       10.0,           12.345,
                             359.95, 139.767125, 35.681236, 2147.483648, 4294.967295,    655.35,
                             1e-7,   1e300,      0.0000005, 0.0000015,   1234567.8912345};
    for (double value : values) {
        for (const char* format : {"%f", "%.6f", "%.2f", "%.1f", "%.0f"}) {
            EXPECT_EQ(PrintFormat(format).Format({value}), Printf(format, value))
                << format << " " << value;
        }
        EXPECT_EQ(PrintFormat("%lf").Format({value}), Printf("%f", value)) << value;
    }
    // Every raw latitude scaling in a range prints its own digits back.
    for (uint32_t raw = 35681200; raw < 35681300; ++raw) {
        EXPECT_EQ(PrintFormat("%f").Format({raw / 1e6}), Printf("%f", raw / 1e6));
    }
}

TEST(PrintFormat, IntegersAsPrintfPrintsThem) {
    const int values[] = {0, 1, 9, 10, 59, 99, 100, 2013, 12345, -1, -5, -123, 65535};
    for (int value : values) {
        for (const char* format : {"%d", "%02d", "%04d", "%2d"}) {
            EXPECT_EQ(PrintFormat(format).Format({value}), Printf(format, value))
                << format << " " << value;
        }
    }
}

TEST(PrintFormat, CatalogueFormatsWithTheirArguments) {
    EXPECT_EQ(
        PrintFormat(MessageText(MsgDateTimeFormat, kLangIdJapanese)).Format({2013, 6, 1, 9, 5, 0}),
        "2013/06/01 09:05:00");
    EXPECT_EQ(PrintFormat(MessageText(MsgProgressTime, kLangIdEnglishUs))
                  .Format({std::string_view("Please wait"), 42, 3.4, 12.5}),
              "Please wait 42 %\n\nSpent time：3 s  Estimated time：12 s");
    EXPECT_EQ(
        PrintFormat("%c|%s|%%|%lf,%lf,%d\n").Format({'Z', std::string_view("a&b"), 1.5, 2.25, 0}),
        "Z|a&b|%|1.500000,2.250000,0\n");
    // Fewer arguments than conversions: the rest is left out, nothing is read past the list.
    EXPECT_EQ(PrintFormat("a%db%dc").Format({1}), "a1b");
    EXPECT_EQ(PrintFormat("100%").Format({}), "100%");
}

class StringSink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> bytes, std::string&) override {
        bytes_.append(bytes.begin(), bytes.end());
        return true;
    }
    std::string bytes_;
};

// Filled straight into a document, through buffers small enough to fill mid-field, a format
// gives the text it gives as a string.
TEST(PrintFormat, WrittenToADocumentAsFormattedToAString) {
    struct Case {
        std::string_view format;
        std::initializer_list<FormatArg> args;
    };
    const std::string_view detail = MessageText(MsgKmlPointDetailWithHeading, kLangIdJapanese);
    const Case cases[] = {
        {detail, {12.345, 359.95, 2013, 6, 1, 9, 5, 0, 35.681236, -139.767125}},
        {"%04d-%02d-%02dT%02d:%02d:%02d%s", {2013, 6, 1, 9, 5, 0, std::string_view("+09:00")}},
        {"[%5d|%-3d|%05d|%8.2f|%3s]", {42, -7, -42, -1.5, std::string_view("経路")}},
        {"%70d|%70.1f", {1, 2.25}},  // padding wider than the in-place room
        {"%.6f %.0f %f", {1e300, -0.5, -1e-7}},
    };
    for (const TextEncoding encoding : {TextEncoding::Utf16Le, TextEncoding::Utf8}) {
        for (const std::size_t buffer : {std::size_t{16}, TextSink::kDefaultBufferBytes}) {
            for (const Case& c : cases) {
                const PrintFormat format(c.format);
                StringSink sink;
                TextSink text(sink, encoding, buffer);
                format.WriteTo(text, c.args);
                std::string error;
                ASSERT_TRUE(text.Finish(error));
                const std::string expected = format.Format(c.args);
                EXPECT_EQ(sink.bytes_, encoding == TextEncoding::Utf8
                                           ? expected
                                           : [&] {
                                                 std::string bytes;
                                                 for (const char16_t unit : Utf8ToUtf16(expected)) {
                                                     bytes += static_cast<char>(unit & 0xFF);
                                                     bytes += static_cast<char>(unit >> 8);
                                                 }
                                                 return bytes;
                                             }())
                    << c.format;
            }
        }
    }
}

}  // namespace
}  // namespace kvd
