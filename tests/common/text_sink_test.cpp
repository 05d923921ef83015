#include "common/text_sink.h"

#include <gtest/gtest.h>

#include <random>

#include "common/utf8.h"

namespace kvd {
namespace {

class MemorySink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> bytes, std::string&) override {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        ++writes_;
        return true;
    }
    std::vector<uint8_t> bytes_;
    int writes_ = 0;
};

class FailingSink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t>, std::string& error) override {
        ++writes_;
        error = "disk full";
        return false;
    }
    int writes_ = 0;
};

// The slow path: one code point at a time through the general decoder.
std::vector<uint8_t> Utf16LeOneByOne(std::string_view utf8) {
    std::vector<uint8_t> bytes;
    for (const char16_t unit : Utf8ToUtf16(utf8)) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<uint8_t> Utf8OneByOne(std::string_view utf8) {
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(utf8));
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Written(TextEncoding encoding, std::size_t bufferBytes,
                             const std::vector<std::string_view>& pieces) {
    MemorySink sink;
    TextSink text(sink, encoding, bufferBytes);
    for (const std::string_view piece : pieces) text.Append(piece);
    std::string error;
    EXPECT_TRUE(text.Finish(error)) << error;
    return sink.bytes_;
}

const std::string kLongAscii(300, 'x');

TEST(TextSink, FastPathWritesWhatTheDecoderGivesOneCharacterAtATime) {
    const std::string cases[] = {
        "",
        "<Placemark><visibility>1</visibility>",
        "経路 ﾌｧｲﾙ　※ 𝄞",
        "0601.LOG.kml 経路",
        "é" + kLongAscii + "経" + kLongAscii + "𝄞",
        kLongAscii + "\xFF" + kLongAscii,
        "bad\xFF\xC3(\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80 end",  // ill-formed: U+FFFD each
        "cut at the end \xE7\xB5",
        std::string("nul\0inside", 10),
        "1234567\x80"
        "89abcdef\xC3\xA9",  // a high byte just inside and past an 8-byte word
    };
    // 8 bytes of buffer flush inside every run and before every multi-unit character.
    for (const std::size_t buffer :
         {std::size_t{8}, std::size_t{14}, std::size_t{1000}, TextSink::kDefaultBufferBytes}) {
        for (const std::string& c : cases) {
            EXPECT_EQ(Written(TextEncoding::Utf16Le, buffer, {c}), Utf16LeOneByOne(c))
                << buffer << " " << c;
            EXPECT_EQ(Written(TextEncoding::Utf8, buffer, {c}), Utf8OneByOne(c))
                << buffer << " " << c;
        }
    }
}

TEST(TextSink, Utf16LittleEndianWithSurrogatePairs) {
    const std::vector<uint8_t> expected = {0x41, 0x00, 0x4C, 0x7D, 0x34, 0xD8, 0x1E, 0xDD};
    EXPECT_EQ(Written(TextEncoding::Utf16Le, 64, {"A経𝄞"}), expected);
    EXPECT_EQ(Written(TextEncoding::Utf16Le, 64, {"A", "経", "𝄞"}), expected);
}

TEST(TextSink, RandomTextInRandomPiecesMatchesTheSlowPath) {
    std::mt19937 random(14);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i) {
            // Mostly ASCII, as documents are; now and then any byte at all.
            text += static_cast<char>(random() % 8 == 0 ? random() % 256 : 0x20 + random() % 95);
        }
        std::vector<std::string_view> pieces;
        for (std::size_t pos = 0; pos < text.size();) {
            // Pieces end between characters: the writer is handed whole texts.
            std::size_t end = std::min(text.size(), pos + 1 + random() % 90);
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
                ++end;
            }
            pieces.push_back(std::string_view(text).substr(pos, end - pos));
            pos = end;
        }
        const std::size_t buffer = 8 + random() % 200;
        ASSERT_EQ(Written(TextEncoding::Utf16Le, buffer, pieces), Utf16LeOneByOne(text))
            << "round " << round;
        ASSERT_EQ(Written(TextEncoding::Utf8, buffer, pieces), Utf8OneByOne(text))
            << "round " << round;
    }
}

TEST(TextSink, CharactersAndRepeats) {
    MemorySink sink;
    TextSink text(sink, TextEncoding::Utf16Le, 16);
    text.Append(U'\uFEFF');
    text.Append(U'𝄞');
    text.Append(char32_t{0xD800});    // a lone surrogate is no character
    text.Append(char32_t{0x110000});  // past the last code point
    text.AppendRepeated('0', 21);
    std::string error;
    ASSERT_TRUE(text.Finish(error));
    EXPECT_EQ(sink.bytes_, Utf16LeOneByOne("\uFEFF𝄞\uFFFD\uFFFD" + std::string(21, '0')));
}

TEST(TextSink, FullBuffersGoOutWholeAndNothingIsKeptBeyondThem) {
    MemorySink sink;
    TextSink text(sink, TextEncoding::Utf16Le, 1024);
    for (int i = 0; i < 100; ++i) text.Append(kLongAscii);
    EXPECT_EQ(sink.writes_, 58);  // 60,000 bytes in 1,024-byte writes
    EXPECT_EQ(sink.bytes_.size(), 58u * 1024);
    std::string error;
    ASSERT_TRUE(text.Finish(error));
    EXPECT_EQ(sink.bytes_.size(), 60'000u);
}

TEST(TextSink, AWriteErrorIsKeptAndTheRestIsDropped) {
    FailingSink sink;
    TextSink text(sink, TextEncoding::Utf16Le, 64);
    for (int i = 0; i < 100; ++i) text.Append(kLongAscii);
    std::string error;
    EXPECT_FALSE(text.Finish(error));
    EXPECT_EQ(error, "disk full");
    EXPECT_EQ(sink.writes_, 1);  // nothing more is tried once the file is lost
}

}  // namespace
}  // namespace kvd
