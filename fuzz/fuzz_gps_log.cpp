// A log file of any bytes read and written as a KML document in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/byte_sink.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/kml_document.h"
#include "gpslog/kml_stream.h"

namespace {

class CountingSink final : public kvd::ByteSink {
  public:
    bool Write(std::span<const uint8_t> bytes, std::string&) override {
        total += bytes.size();
        return true;
    }
    std::size_t total = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Long logs take long to write out and find nothing new; the reader is cheap.
    kvd::GpsLog log;
    kvd::ReadGpsLog(log, data, static_cast<uint32_t>(size));
    if (size > 4096) return 0;

    std::string error;
    const auto image = kvd::GpsLogImage::Open({data, size}, error);
    if (!image) return 0;
    if (image->FixCount() != log.fixes.size()) __builtin_trap();
    CountingSink sink;
    kvd::KmlStream out(sink);
    kvd::OfflineIconReachability offline;
    kvd::WriteKmlDocument(*image, "fuzz.LOG.kml Path", kvd::ChooseIcons(offline), out);
    if (!out.Finish(error) || sink.total < 2) __builtin_trap();
    return 0;
}
