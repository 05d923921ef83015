// GPS log conversion: a downloaded log becomes a KML or a GPX file. Other folders include only this.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/cancel_request.h"
#include "gpslog/icon_reachability.h"
#include "gpslog/log_format.h"  // IWYU pragma: export

namespace kvd {

// One fix of a log, in degrees, the device's speed unit and seconds since the epoch.
struct GpsFix {
    double latitude = 0.0;
    double longitude = 0.0;
    double speed = 0.0;
    double direction = 0.0;
    int32_t altitude = 0;  // the device records none
    int32_t mark = 0;
    int32_t valid = 0;  // 0: a repeat of the previous fix for a block without a position
    int64_t time = 0;
};

// Whether the fix's direction is a compass angle, below 360 degrees. The block's field runs
// to 6553.5 (65535 tenths, the usual "no value"); a larger value says nothing of the course.
inline bool HasCourse(const GpsFix& fix) { return fix.direction < 360.0; }

struct GpsLog {
    std::vector<GpsFix> fixes;
    int64_t start_time = 0;
    int32_t interval = 0;
};

// Reads a whole log file into log (which must be empty). Returns 1, or 0 when the file has
// no header block or its date and time are not a representable local time. The fixes end
// before the first one whose time is not representable.
int32_t ReadGpsLog(GpsLog& log, const uint8_t* data, uint32_t length);

// The files a log becomes: NAME.kml, NAME.gpx or both.
struct OutputFormats {
    bool kml = true;
    bool gpx = false;
};

// Reports a conversion's progress: percent done (an estimate, 0 to 100) and the log's name.
using ConversionProgress = void (*)(void* context, int32_t percent, const char* fileName);

// How a caller follows and stops a conversion. The cancel request is read between chunks of
// the output; once it is set the conversion stops and leaves no file behind.
struct ConversionWatch {
    const CancelRequest* cancel = nullptr;
    ConversionProgress progress = nullptr;
    void* progressContext = nullptr;
};

// Asked once the KML is complete in its temporary file and a file already holds the final
// name: true lets the new file replace it. Without one, an existing file is replaced.
using ReplaceDecision = std::function<bool(const std::filesystem::path& written,
                                           const std::filesystem::path& existing)>;

// Outcome of one conversion; error says why it failed and is empty on success.
struct FileConversion {
    std::filesystem::path path;  // the file written, or the one that would have been
    std::string error;
    std::string warning;     // what a written file leaves out of the log; empty when nothing
    bool cancelled = false;  // stopped by the cancel request (error says so too)
    bool nameTaken = false;  // the replace decision kept the existing file (error says so too)
    bool replacedExisting = false;  // a file already held the name (written: it was replaced)

    bool Succeeded() const { return error.empty(); }
};

// folder / (file name of fileName + ".kml"), with the platform's separator. Only the last
// component of fileName is used, so a name from the device cannot leave the folder.
std::filesystem::path KmlPathFor(const std::string& folder, const std::string& fileName);

// Converts the bytes of one log into its KML file in folder. The file appears complete or
// not at all. icons decides the style icons and is asked once per icon host.
FileConversion ConvertLogToKmlFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, IconReachability& icons,
                                   const ConversionWatch& watch = {},
                                   const ReplaceDecision& mayReplace = {});

// folder / (file name of fileName + ".gpx"), as KmlPathFor.
std::filesystem::path GpxPathFor(const std::string& folder, const std::string& fileName);

// Converts the bytes of one log into its GPX 1.1 file in folder, as ConvertLogToKmlFile.
FileConversion ConvertLogToGpxFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, const ConversionWatch& watch = {},
                                   const ReplaceDecision& mayReplace = {});

// Completion handler of the log download: same conversion, icons checked over the network
// unless KVD2730_OFFLINE is set. context is not used. Returns 1 on success, 0 on failure.
int32_t ConvertGpsLogToKml(void* context, const uint8_t* data, int32_t size, const char* folder,
                           const char* fileName);

}  // namespace kvd
