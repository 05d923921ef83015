#include <algorithm>
#include <memory>
#include <system_error>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"
#include "gpslog/kml_document.h"
#include "gpslog/kml_stream.h"

namespace kvd {
namespace {

// Typical UTF-16 bytes of one fix in the document (its coordinates and its placemark); the
// progress estimate needs no exact figure, only one that grows with the log.
constexpr uint64_t kEstimatedBytesPerFix = 1540;
constexpr uint64_t kEstimatedHeaderBytes = 4096;

constexpr char kCancelled[] = "cancelled";

// Passes the document on to the file, reporting progress; after an abort request it fails
// every write, so that nothing more reaches the file (the log image ends its loops too).
class WatchedSink final : public ByteSink {
public:
    WatchedSink(ByteSink& file, const ConversionWatch& watch, uint64_t fixCount,
                std::string fileName)
        : file_(file),
          watch_(watch),
          expected_(kEstimatedHeaderBytes + fixCount * kEstimatedBytesPerFix),
          fileName_(std::move(fileName)) {}

    bool Write(std::span<const uint8_t> bytes, std::string& error) override {
        if (watch_.abortRequest && *watch_.abortRequest != 0) {
            error = kCancelled;
            return false;
        }
        if (!file_.Write(bytes, error)) return false;
        written_ += bytes.size();
        // 100 is said by Done(), once the file is complete.
        Report(static_cast<int32_t>(std::min<uint64_t>(99, written_ * 100 / expected_)));
        return true;
    }

    void Done() { Report(100); }

private:
    void Report(int32_t percent) {
        if (!watch_.progress || percent == reported_) return;
        reported_ = percent;
        watch_.progress(watch_.progressContext, percent, fileName_.c_str());
    }

    ByteSink& file_;
    const ConversionWatch& watch_;
    uint64_t expected_;
    uint64_t written_ = 0;
    int32_t reported_ = -1;
    std::string fileName_;
};

}  // namespace

std::filesystem::path KmlPathFor(const std::string& folder, const std::string& fileName) {
    std::filesystem::path name = PathFromUtf8(fileName).filename();
    name += ".kml";
    return PathFromUtf8(folder) / name;
}

KmlConversion ConvertLogToKmlFile(std::span<const uint8_t> data, const std::string& folder,
                                  const std::string& fileName, IconReachability& icons,
                                  const ConversionWatch& watch, const ReplaceDecision& mayReplace) {
    KmlConversion result;
    if (PathFromUtf8(fileName).filename().empty()) {
        result.error = "log file name \"" + fileName + "\" has no file name part";
        return result;
    }
    result.kmlPath = KmlPathFor(folder, fileName);

    std::optional<GpsLogImage> log = GpsLogImage::Open(data, result.error);
    if (!log) {
        return result;
    }
    CachedIconReachability iconsOnce(icons);
    const KmlIcons chosen = ChooseIcons(iconsOnce);

    AtomicFile file;
    if (!file.Open(result.kmlPath, result.error)) {
        return result;
    }
    WatchedSink sink(file, watch, log->FixCount(), fileName);
    log->StopWhen(watch.abortRequest);
    KmlStream out(sink);
    WriteKmlDocument(*log, TrackName(result.kmlPath), chosen, out);
    const bool written = out.Finish(result.error);
    // An abort may have cut the document short without a write failing: it decides first.
    if (log->Stopped()) {
        result.cancelled = true;
        result.error = kCancelled;
        return result;  // the file's destructor removes the temporary file
    }
    if (!written) return result;
    std::error_code code;
    if (mayReplace && std::filesystem::exists(result.kmlPath, code) &&
        !mayReplace(file.TempPath(), result.kmlPath)) {
        result.nameTaken = true;
        result.error = result.kmlPath.string() + " holds a different file";
        return result;
    }
    if (!file.Commit(result.error)) {
        return result;
    }
    sink.Done();
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
