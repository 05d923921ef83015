#include "transfer/recorded_download.h"

#include <algorithm>
#include <span>

#include "common/path_text.h"

namespace kvd {

int32_t RecordedDownload::Complete(void* context, const uint8_t* data, int32_t size,
                                   const char* folder, const char* fileName) {
    auto& download = *static_cast<RecordedDownload*>(context);
    if (download.onArrived) download.onArrived();
    const int32_t result = LogSaver::Complete(download.saver, data, size, folder, fileName);
    if (result == 0 || download.record == nullptr) return result;
    // Which files came from this log, so that a later conversion of it knows them.
    const SavedLog& log = download.saver->Logs().back();
    std::vector<SavedFile> files;
    for (std::size_t k = 0; k < log.written.size() && k < log.writtenHashes.size(); ++k)
        files.push_back({PathToUtf8(log.written[k].filename()), log.writtenHashes[k]});
    const std::span<const uint8_t> bytes(data, static_cast<std::size_t>(std::max(size, 0)));
    std::string error;
    if (!download.record->Add(fileName, bytes, error, download.formats, files)) {
        if (download.onRecordError) download.onRecordError(error);
        download.recordErrors.push_back(error);
    }
    return result;
}

}  // namespace kvd
