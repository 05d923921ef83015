// The completion handler of a download that keeps the folder's record: each log is saved by
// a LogSaver and, once its files are written, noted in the record with the files it wrote,
// so that a later `get --new` or the window's "new" column knows it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transfer/log_saver.h"
#include "transfer/saved_logs.h"

namespace kvd {

struct RecordedDownload {
    LogSaver* saver = nullptr;
    SavedLogRecord* record = nullptr;  // null: nothing is noted
    OutputFormats formats;
    // Runs when a log has arrived whole, before it is saved.
    std::function<void()> onArrived = nullptr;
    // Why a saved log could not be noted, one line each: its files are there, but it will
    // count as new next time.
    std::vector<std::string> recordErrors;
    // Runs with each of them as it happens.
    std::function<void(const std::string&)> onRecordError = nullptr;

    // A CompletionCallback; context is the RecordedDownload. 1 when the log's files were written.
    static int32_t Complete(void* context, const uint8_t* data, int32_t size, const char* folder,
                            const char* fileName);
};

}  // namespace kvd
