#include "gpslog/document_file.h"

#include <algorithm>
#include <system_error>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "common/same_content.h"

namespace kvd {
namespace {

constexpr uint64_t kEstimatedHeaderBytes = 4096;

constexpr char kCancelled[] = "cancelled";

// Passes the document on to the file, reporting progress; after a cancel request it fails
// every write, so that nothing more reaches the file (the log image ends its loops too).
class WatchedSink final : public ByteSink {
  public:
    WatchedSink(ByteSink& file, const ConversionWatch& watch, uint64_t estimatedBodyBytes,
                std::string fileName)
        : file_(file),
          watch_(watch),
          expected_(kEstimatedHeaderBytes + estimatedBodyBytes),
          fileName_(std::move(fileName)) {}

    bool Write(std::span<const uint8_t> bytes, std::string& error) override {
        if (IsCancelled(watch_.cancel)) {
            error = kCancelled;
            return false;
        }
        if (!file_.Write(bytes, error)) return false;
        hash_.Add(bytes);
        written_ += bytes.size();
        // 100 is said by Done(), once the file is complete.
        Report(static_cast<int32_t>(std::min<uint64_t>(99, written_ * 100 / expected_)));
        return true;
    }

    void Done() { Report(100); }
    uint64_t Hash() const { return hash_.Value(); }

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
    ContentHash hash_;
};

}  // namespace

std::filesystem::path DocumentPathFor(const std::string& folder, const std::string& fileName,
                                      const char* extension) {
    std::filesystem::path name = PathFromUtf8(fileName).filename();
    name += extension;
    return PathFromUtf8(folder) / name;
}

FileConversion ConvertLogToDocument(std::span<const uint8_t> data, const std::string& folder,
                                    const std::string& fileName, const DocumentFormat& format,
                                    const ConversionWatch& watch,
                                    const ExistingFileDecision& sameAsExisting,
                                    const TimeZone& zone) {
    FileConversion result;
    if (PathFromUtf8(fileName).filename().empty()) {
        result.error = "log file name \"" + fileName + "\" has no file name part";
        return result;
    }
    result.path = DocumentPathFor(folder, fileName, format.extension);

    std::optional<GpsLogImage> log = GpsLogImage::Open(data, result.error, zone);
    if (!log) return result;

    AtomicFile file;
    if (!file.Open(result.path, result.error)) return result;
    WatchedSink sink(file, watch, log->FixCount() * format.bytesPerFix, fileName);
    log->StopWhen(watch.cancel);
    const bool written = format.write(*log, result.path, sink, result.error);
    // An abort may have cut the document short without a write failing: it decides first.
    if (log->Stopped()) {
        result.cancelled = true;
        result.error = kCancelled;
        return result;  // the file's destructor removes the temporary file
    }
    if (!written) return result;
    result.contentHash = sink.Hash();
    if (watch.beforeFinalName) watch.beforeFinalName(result.path);
    result.warning = DescribeFixesPastTimeRange(*log);
    result.fixesLeftOut = log->FixesPastTimeRange();
    if (!sameAsExisting) {
        std::error_code code;
        result.heldBefore = std::filesystem::exists(result.path, code);
        if (!file.Commit(result.error)) return result;
        sink.Done();
        return result;
    }
    // The check and the creation of the name are one step: a file another writer put there
    // an instant ago is found taken, never replaced.
    switch (file.CommitNew(result.error)) {
        case CommitOutcome::Failed:
            return result;
        case CommitOutcome::NameTaken:
            // Decided on what is there now.
            result.heldBefore = true;
            switch (sameAsExisting(file.TempPath(), result.path)) {
                case ExistingFile::Other:
                    result.nameTaken = true;
                    result.error = PathToUtf8(result.path) + " holds a different file";
                    return result;
                case ExistingFile::Same:
                    break;
                case ExistingFile::SameLog:
                    if (!file.Commit(result.error)) return result;
                    break;
            }
            break;
        case CommitOutcome::Committed:
            break;
    }
    sink.Done();
    return result;
}

}  // namespace kvd
