#include "common/path_text.h"
#include "common/text_sink.h"
#include "gpslog/document_file.h"
#include "gpslog/gpx_document.h"

namespace kvd {
namespace {

// Typical UTF-8 bytes of one fix in the document: its track point with the extension.
constexpr uint64_t kEstimatedBytesPerFix = 240;

bool WriteGpx(const GpsLogImage& log, const std::filesystem::path& path, ByteSink& sink,
              std::string& error) {
    TextSink out(sink, TextEncoding::Utf8);
    WriteGpxDocument(log, PathToUtf8(path.stem()), out);
    return out.Finish(error);
}

}  // namespace

std::filesystem::path GpxPathFor(const std::string& folder, const std::string& fileName) {
    return DocumentPathFor(folder, fileName, ".gpx");
}

FileConversion ConvertLogToGpxFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, const ConversionWatch& watch,
                                   const ExistingFileDecision& sameAsExisting,
                                   const TimeZone& zone) {
    return ConvertLogToDocument(data, folder, fileName, {".gpx", kEstimatedBytesPerFix, WriteGpx},
                                watch, sameAsExisting, zone);
}

}  // namespace kvd
