#include <gtest/gtest.h>

#include <fstream>

#include "gpslog/gpslog.h"
#include "gpslog_test_support.h"

namespace kvd {
namespace {

using test::HeaderAt;
using test::Invalid;
using test::Valid;

// Five blocks covering every style and both detail forms.
std::vector<uint8_t> ShortLog() {
    return EncodeLog(HeaderAt(2013, 6, 1, 9, 5, 0, 5),
                     std::vector{Invalid(), Valid(35681236, 139767125, 1234, 3599),
                                 Valid(35681500, 139767400, 999, 900, 1), Invalid(),
                                 Valid(35682000, 139768000, 0, 0)});
}

// The whole file, byte for byte once decoded: a change here changes what map viewers read.
TEST(GoldenKml, ShortLogInEachLanguage) {
    struct Case {
        uint16_t language;
        const char* golden;
    };
    test::ScopedTimeZone zone("Asia/Tokyo");
    for (const Case& c :
         {Case{kLangIdEnglishUs, "short_en.kml"}, Case{kLangIdJapanese, "short_ja.kml"}}) {
        test::ScopedLanguage language(c.language);
        test::TempDir dir;
        const std::vector<uint8_t> log = ShortLog();
        ASSERT_EQ(ConvertGpsLogToKml(nullptr, log.data(), static_cast<int32_t>(log.size()),
                                     dir.str().c_str(), "0601.LOG"),
                  1);
        const std::string actual =
            test::DecodeUtf16Le(test::ReadBytes(dir.path() / "0601.LOG.kml"));
        const std::filesystem::path golden = std::filesystem::path(KVD_GOLDEN_DIR) / c.golden;
        const std::string expected = test::ReadText(golden);
        if (actual != expected) {
            const auto written =
                std::filesystem::current_path() / (std::string(c.golden) + ".actual");
            std::ofstream(written, std::ios::binary) << actual;
            ADD_FAILURE() << c.golden << " differs; this run's output is in " << written;
        }
    }
}

}  // namespace
}  // namespace kvd
