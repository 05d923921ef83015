// Building small logs and reading back the KML they become.
#pragma once

#include <optional>
#include <string>
#include <vector>

#if __has_include(<pugixml.hpp>)
#include <pugixml.hpp>
#define KVD_TEST_HAS_PUGIXML 1
#endif

#include "common/byte_sink.h"
#include "common/text_sink.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/gpx_document.h"
#include "gpslog/kml_document.h"
#include "gpslog/log_format.h"
#include "shell/shell.h"
#include "test_support.h"

namespace kvd::test {

inline FixBlock Valid(uint32_t latitude, uint32_t longitude, uint16_t speed = 0,
                      uint16_t direction = 0, uint8_t mark = 0) {
    return {latitude, longitude, speed, direction, mark, 1};
}

inline FixBlock Invalid() { return {0, 0, 0, 0, 0, 0}; }

inline LogHeader HeaderAt(uint16_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute,
                          uint8_t second, uint16_t interval) {
    return {interval, year, month, day, hour, minute, second};
}

class MemorySink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> bytes, std::string&) override {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return true;
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

class ScopedLanguage {
  public:
    explicit ScopedLanguage(uint16_t langId) : saved_(g_userLangId) { g_userLangId = langId; }
    ~ScopedLanguage() { g_userLangId = saved_; }

  private:
    uint16_t saved_;
};

// The KML text (decoded from UTF-16) of a log, written offline as if named 0601.LOG.
inline std::string KmlTextOf(const std::vector<uint8_t>& logBytes,
                             std::string_view trackName = "0601.LOG.kml Path",
                             const TimeZone& zone = {}) {
    std::string error;
    const auto image = GpsLogImage::Open(logBytes, error, zone);
    if (!image) {
        ADD_FAILURE() << "log rejected: " << error;
        return {};
    }
    OfflineIconReachability offline;
    MemorySink sink;
    KmlStream out(sink);
    WriteKmlDocument(*image, trackName, ChooseIcons(offline), out);
    EXPECT_TRUE(out.Finish(error)) << error;
    return DecodeUtf16Le(sink.bytes());
}

// The GPX text of a log, its track named as the log.
inline std::string GpxTextOf(const std::vector<uint8_t>& logBytes,
                             std::string_view name = "0601.LOG", const TimeZone& zone = {}) {
    std::string error;
    const auto image = GpsLogImage::Open(logBytes, error, zone);
    if (!image) {
        ADD_FAILURE() << "log rejected: " << error;
        return {};
    }
    MemorySink sink;
    TextSink out(sink, TextEncoding::Utf8);
    WriteGpxDocument(*image, name, out);
    EXPECT_TRUE(out.Finish(error)) << error;
    return {sink.bytes().begin(), sink.bytes().end()};
}

#ifdef KVD_TEST_HAS_PUGIXML
// The document parsed, with the Folder's placemarks: [0] the track, then one per fix.
struct ParsedKml {
    pugi::xml_document document;
    std::vector<pugi::xml_node> placemarks;

    pugi::xml_node Fix(std::size_t index) const { return placemarks.at(index + 1); }
};

inline void Parse(const std::string& text, ParsedKml& parsed) {
    const pugi::xml_parse_result result = parsed.document.load_string(text.c_str());
    ASSERT_TRUE(result) << result.description() << " at " << result.offset;
    const pugi::xml_node folder = parsed.document.child("kml").child("Document").child("Folder");
    ASSERT_TRUE(folder);
    for (pugi::xml_node p = folder.child("Placemark"); p; p = p.next_sibling("Placemark")) {
        parsed.placemarks.push_back(p);
    }
}

// The Data values of an ExtendedData element, "name=value;" joined.
inline std::string DataRows(pugi::xml_node extendedData) {
    std::string rows;
    for (pugi::xml_node d = extendedData.child("Data"); d; d = d.next_sibling("Data")) {
        rows += std::string(d.attribute("name").value()) + "=" + d.child_value("value") + ";";
    }
    return rows;
}
#endif

}  // namespace kvd::test
