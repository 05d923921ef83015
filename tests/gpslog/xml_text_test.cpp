#include <gtest/gtest.h>

#include "gpslog/xml_text.h"
#include "test_support.h"

namespace kvd {
namespace {

TEST(XmlText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
    struct Case {
        std::string text;
        std::string escaped;
    };
    const Case cases[] = {
        {"0601.LOG.kml Path", "0601.LOG.kml Path"},
        {"a&b.LOG", "a&amp;b.LOG"},
        {"a<b>.LOG", "a&lt;b&gt;.LOG"},
        {"&amp;", "&amp;amp;"},
        {"quote\"apos'", "quote\"apos'"},
        {"経路 ﾌｧｲﾙ　※", "経路 ﾌｧｲﾙ　※"},
        {"tab\tline\ncr\r", "tab\tline\ncr&#13;"},
        {std::string("nul\0bell\x07", 9), "nul\uFFFDbell\uFFFD"},
        {"bad\xFF\xC3(", "bad\uFFFD\uFFFD("},
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate is not UTF-8
        {"\xC0\xAF", "\uFFFD\uFFFD"},            // overlong
        {"\xEF\xBF\xBE", "\uFFFD"},              // U+FFFE is not a character
        {"𝄞", "𝄞"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendEscapedText(out, c.text);
        EXPECT_EQ(out, c.escaped) << c.text;
    }
}

TEST(XmlText, Utf16LittleEndianWithSurrogatePairs) {
    std::vector<uint8_t> out;
    AppendUtf16Le(out, "A経𝄞");
    const std::vector<uint8_t> expected = {0x41, 0x00, 0x4C, 0x7D, 0x34, 0xD8, 0x1E, 0xDD};
    EXPECT_EQ(out, expected);
    std::vector<uint8_t> withBom(std::begin(kUtf16LeBom), std::end(kUtf16LeBom));
    AppendUtf16Le(withBom, "経路 ﾌｧｲﾙ　※ 𝄞");
    EXPECT_EQ(test::DecodeUtf16Le(withBom), "経路 ﾌｧｲﾙ　※ 𝄞");
}

}  // namespace
}  // namespace kvd
