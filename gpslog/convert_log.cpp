#include <memory>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"
#include "gpslog/kml_document.h"
#include "gpslog/kml_stream.h"

namespace kvd {

std::filesystem::path KmlPathFor(const std::string& folder, const std::string& fileName) {
    std::filesystem::path name = PathFromUtf8(fileName).filename();
    name += ".kml";
    return PathFromUtf8(folder) / name;
}

KmlConversion ConvertLogToKmlFile(std::span<const uint8_t> data, const std::string& folder,
                                  const std::string& fileName, IconReachability& icons) {
    KmlConversion result;
    if (PathFromUtf8(fileName).filename().empty()) {
        result.error = "log file name \"" + fileName + "\" has no file name part";
        return result;
    }
    result.kmlPath = KmlPathFor(folder, fileName);

    const std::optional<GpsLogImage> log = GpsLogImage::Open(data, result.error);
    if (!log) {
        return result;
    }
    CachedIconReachability iconsOnce(icons);
    const KmlIcons chosen = ChooseIcons(iconsOnce);

    AtomicFile file;
    if (!file.Open(result.kmlPath, result.error)) {
        return result;
    }
    KmlStream out(file);
    WriteKmlDocument(*log, TrackName(result.kmlPath), chosen, out);
    if (!out.Finish(result.error) || !file.Commit(result.error)) {
        return result;  // the file's destructor removes the temporary file
    }
    return result;
}

int32_t ConvertGpsLogToKml(void* /*context*/, const uint8_t* data, int32_t size,
                           const char* folder, const char* fileName) {
    if ((data == nullptr && size != 0) || size < 0 || folder == nullptr || fileName == nullptr) {
        return 0;
    }
    const auto icons = ChooseIconReachability(false);
    const KmlConversion result =
        ConvertLogToKmlFile({data, static_cast<std::size_t>(size)}, folder, fileName, *icons);
    return result.Succeeded() ? 1 : 0;
}

}  // namespace kvd
