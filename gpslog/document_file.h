// What every output format shares when a log becomes a file: the log opened in place, the
// progress and the cancel request of the watch, the decision on a name already held, and a
// file that appears complete or not at all. Each format adds only the writing of its
// document.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "common/byte_sink.h"
#include "gpslog/gps_log_image.h"
#include "gpslog/gpslog.h"

namespace kvd {

// folder / (file name of fileName + extension); only the last component of fileName is used.
std::filesystem::path DocumentPathFor(const std::string& folder, const std::string& fileName,
                                      const char* extension);

// Writes the whole document of log into sink and flushes it; false with the first error.
using DocumentWriter = std::function<bool(const GpsLogImage& log, const std::filesystem::path& path,
                                          ByteSink& sink, std::string& error)>;

struct DocumentFormat {
    const char* extension;  // ".kml"
    uint64_t bytesPerFix;   // typical output of one fix, for the progress estimate
    DocumentWriter write;
};

FileConversion ConvertLogToDocument(std::span<const uint8_t> data, const std::string& folder,
                                    const std::string& fileName, const DocumentFormat& format,
                                    const ConversionWatch& watch,
                                    const ExistingFileDecision& sameAsExisting,
                                    const TimeZone& zone);

}  // namespace kvd
