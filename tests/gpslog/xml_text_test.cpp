#include "gpslog/xml_text.h"

#include <gtest/gtest.h>

#include "common/text_sink.h"
#include "gpslog_test_support.h"

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
        // Written straight into a document, with a buffer small enough to fill mid-text.
        test::MemorySink sink;
        TextSink document(sink, TextEncoding::Utf16Le, 8);
        document.Append(kByteOrderMark);
        AppendEscapedText(document, c.text);
        std::string error;
        ASSERT_TRUE(document.Finish(error));
        EXPECT_EQ(test::DecodeUtf16Le(sink.bytes()), c.escaped) << c.text;
    }
}

}  // namespace
}  // namespace kvd
