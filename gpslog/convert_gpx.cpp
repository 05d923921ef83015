#include "common/atomic_file.h"
#include "common/path_text.h"
#include "common/text_sink.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"
#include "gpslog/gpx_document.h"

namespace kvd {

std::filesystem::path GpxPathFor(const std::string& folder, const std::string& fileName) {
    return KmlPathFor(folder, fileName).replace_extension(".gpx");
}

GpxConversion ConvertLogToGpxFile(std::span<const uint8_t> data, const std::string& folder,
                                  const std::string& fileName) {
    GpxConversion result;
    if (PathFromUtf8(fileName).filename().empty()) {
        result.error = "log file name \"" + fileName + "\" has no file name part";
        return result;
    }
    result.gpxPath = GpxPathFor(folder, fileName);
    const std::optional<GpsLogImage> log = GpsLogImage::Open(data, result.error);
    if (!log) {
        return result;
    }
    AtomicFile file;
    if (!file.Open(result.gpxPath, result.error)) {
        return result;
    }
    TextSink out(file, TextEncoding::Utf8);
    WriteGpxDocument(*log, PathToUtf8(PathFromUtf8(fileName).filename()), out);
    if (!out.Finish(result.error) || !file.Commit(result.error)) {
        return result;  // the file's destructor removes the temporary file
    }
    return result;
}

}  // namespace kvd
