#include "gpslog/document_file.h"
#include "gpslog/kml_document.h"
#include "gpslog/kml_stream.h"
#include "gpslog/zip_stream.h"

namespace kvd {
namespace {

// Typical UTF-16 bytes of one fix in the document (its coordinates and its placemark); the
// progress estimate needs no exact figure, only one that grows with the log.
constexpr uint64_t kEstimatedBytesPerFix = 1540;
// The same deflated: the placemarks differ little from one fix to the next.
constexpr uint64_t kEstimatedKmzBytesPerFix = 60;

// The one entry of a KMZ file, the name map viewers look for first.
constexpr char kKmzEntryName[] = "doc.kml";

// The whole KML document of log into sink. The track is named after kmlPath, so a KMZ holds
// exactly the bytes of the KML file beside it.
bool WriteKml(const GpsLogImage& log, const std::filesystem::path& kmlPath, IconReachability& icons,
              ByteSink& sink, std::string& error) {
    // The icon servers are asked only once the log has opened, and only once per host.
    CachedIconReachability iconsOnce(icons);
    const KmlIcons chosen = ChooseIcons(iconsOnce);
    KmlStream out(sink);
    WriteKmlDocument(log, TrackName(kmlPath), chosen, out);
    return out.Finish(error);
}

}  // namespace

std::filesystem::path KmlPathFor(const std::string& folder, const std::string& fileName) {
    return DocumentPathFor(folder, fileName, ".kml");
}

std::filesystem::path KmzPathFor(const std::string& folder, const std::string& fileName) {
    return DocumentPathFor(folder, fileName, ".kmz");
}

FileConversion ConvertLogToKmlFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, IconReachability& icons,
                                   const ConversionWatch& watch,
                                   const ExistingFileDecision& sameAsExisting,
                                   const TimeZone& zone) {
    const DocumentWriter writeKml =
        [&icons](const GpsLogImage& log, const std::filesystem::path& path, ByteSink& sink,
                 std::string& error) { return WriteKml(log, path, icons, sink, error); };
    return ConvertLogToDocument(data, folder, fileName, {".kml", kEstimatedBytesPerFix, writeKml},
                                watch, sameAsExisting, zone);
}

FileConversion ConvertLogToKmzFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, IconReachability& icons,
                                   const ConversionWatch& watch,
                                   const ExistingFileDecision& sameAsExisting,
                                   const TimeZone& zone) {
    const DocumentWriter writeKmz = [&icons](const GpsLogImage& log,
                                             const std::filesystem::path& path, ByteSink& sink,
                                             std::string& error) {
        ZipEntryStream zip(sink, kKmzEntryName);
        std::filesystem::path kmlPath = path;
        kmlPath.replace_extension(".kml");
        return WriteKml(log, kmlPath, icons, zip, error) && zip.Finish(error);
    };
    return ConvertLogToDocument(data, folder, fileName,
                                {".kmz", kEstimatedKmzBytesPerFix, writeKmz}, watch, sameAsExisting,
                                zone);
}

int32_t ConvertGpsLogToKml(void* /*context*/, const uint8_t* data, int32_t size, const char* folder,
                           const char* fileName) {
    if ((data == nullptr && size != 0) || size < 0 || folder == nullptr || fileName == nullptr) {
        return 0;
    }
    const auto icons = ChooseIconReachability(false);
    const FileConversion result =
        ConvertLogToKmlFile({data, static_cast<std::size_t>(size)}, folder, fileName, *icons);
    return result.Succeeded() ? 1 : 0;
}

}  // namespace kvd
