// GPS log conversion: a downloaded log becomes a KML or a GPX file. Other folders include only
// this.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/cancel_request.h"
#include "gpslog/icon_reachability.h"
#include "gpslog/log_format.h"  // IWYU pragma: export
#include "gpslog/time_zone.h"   // IWYU pragma: export

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

// The files a log becomes: any of NAME.kml, NAME.kmz (the same KML, zipped) and NAME.gpx.
struct OutputFormats {
    bool kml = true;
    bool gpx = false;
    bool kmz = false;

    bool operator==(const OutputFormats&) const = default;
};

// "kml", "kmz", "gpx" or a comma-separated list of them ("kml,kmz,gpx" in that order): the
// formats as the command line and the record of saved logs write them. Parsing gives nothing for an
// empty or unknown name, which `unknown` receives.
std::string OutputFormatsText(const OutputFormats& formats);
std::optional<OutputFormats> ParseOutputFormats(std::string_view text,
                                                std::string* unknown = nullptr);

// "YYYY-MM-DD_HHMM": when the log starts, in the PC's local time. Unlike the device's names it
// tells apart trips of different years. No value when the bytes have no readable header.
std::optional<std::string> StartTimeName(std::span<const uint8_t> data);

// Reports a conversion's progress: percent done (an estimate, 0 to 100) and the log's name.
using ConversionProgress = void (*)(void* context, int32_t percent, const char* fileName);

// How a caller follows and stops a conversion. The cancel request is read between chunks of
// the output; once it is set the conversion stops and leaves no file behind.
struct ConversionWatch {
    const CancelRequest* cancel = nullptr;
    ConversionProgress progress = nullptr;
    void* progressContext = nullptr;
    // Tests only: runs once the document is complete, just before it takes its final name
    // (given), so that a test can let another writer in at the one moment that matters.
    std::function<void(const std::filesystem::path&)> beforeFinalName = nullptr;
};

// What a file already holding a document's final name is to that document.
enum class ExistingFile {
    Other,    // something else: the name is taken
    Same,     // exactly this document (the same log saved before): it stays as it is
    SameLog,  // a document of the same log written another way (another language or zone):
              // this one replaces it
};

// Asked when the document is complete in its temporary file and something already holds the
// final name; only Other fails the conversion (nameTaken). The name is created only where
// nothing holds it, so no other writer's file is lost whatever the timing. Without a decision
// an existing file is replaced.
using ExistingFileDecision = std::function<ExistingFile(const std::filesystem::path& written,
                                                        const std::filesystem::path& existing)>;

// Outcome of one conversion; error says why it failed and is empty on success.
struct FileConversion {
    std::filesystem::path path;  // the file written, or the one that would have been
    std::string error;
    std::string warning;        // what a written file leaves out of the log; empty when nothing
    uint64_t fixesLeftOut = 0;  // the fixes the warning speaks of
    bool cancelled = false;     // stopped by the cancel request (error says so too)
    bool nameTaken = false;     // the name was held by something else (error says so too)
    // The name was held already: the file there was replaced (no decision, or the same log's)
    // or counts as this document and was kept. Either way, it was not this conversion's to
    // remove.
    bool heldBefore = false;
    uint64_t contentHash = 0;  // of the document's bytes, once it succeeded (ContentHash)

    bool Succeeded() const { return error.empty(); }
};

// folder / (file name of fileName + ".kml"), with the platform's separator. Only the last
// component of fileName is used, so a name from the device cannot leave the folder.
std::filesystem::path KmlPathFor(const std::string& folder, const std::string& fileName);

// Converts the bytes of one log into its KML file in folder. The file appears complete or
// not at all. icons decides the style icons and is asked once per icon host. The log's start
// is read as a local time of zone, and the document shows zone's local times.
FileConversion ConvertLogToKmlFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, IconReachability& icons,
                                   const ConversionWatch& watch = {},
                                   const ExistingFileDecision& sameAsExisting = {},
                                   const TimeZone& zone = {});

// folder / (file name of fileName + ".kmz"), as KmlPathFor.
std::filesystem::path KmzPathFor(const std::string& folder, const std::string& fileName);

// Converts the bytes of one log into its KMZ file in folder, as ConvertLogToKmlFile: a zip
// holding doc.kml, byte for byte the KML file of the log, deflated as it is written. A
// document that would pass 4 GiB fails, as the zip container cannot hold it without Zip64.
FileConversion ConvertLogToKmzFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, IconReachability& icons,
                                   const ConversionWatch& watch = {},
                                   const ExistingFileDecision& sameAsExisting = {},
                                   const TimeZone& zone = {});

// folder / (file name of fileName + ".gpx"), as KmlPathFor.
std::filesystem::path GpxPathFor(const std::string& folder, const std::string& fileName);

// Converts the bytes of one log into its GPX 1.1 file in folder, as ConvertLogToKmlFile.
FileConversion ConvertLogToGpxFile(std::span<const uint8_t> data, const std::string& folder,
                                   const std::string& fileName, const ConversionWatch& watch = {},
                                   const ExistingFileDecision& sameAsExisting = {},
                                   const TimeZone& zone = {});

// Completion handler of the log download: same conversion, icons checked over the network
// unless KVD2730_OFFLINE is set. context is not used. Returns 1 on success, 0 on failure.
int32_t ConvertGpsLogToKml(void* context, const uint8_t* data, int32_t size, const char* folder,
                           const char* fileName);

}  // namespace kvd
