// Writes one synthetic trip twice: as the device's log file and as GPX with the same points,
// so that our converter and a reference converter work on the same data.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "gpslog/gpslog.h"
#include "gpslog/log_format.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_bench_log FIXES LOGFILE GPXFILE\n");
        return 2;
    }
    const auto fixes = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const std::vector<uint8_t> bytes = kvd::MakeSyntheticTrip(2730, fixes, 1);
    std::FILE* log = std::fopen(argv[2], "wb");
    if (log == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), log) != bytes.size()) {
        std::perror(argv[2]);
        return 1;
    }
    std::fclose(log);

    kvd::GpsLog trip;
    if (kvd::ReadGpsLog(trip, bytes.data(), static_cast<uint32_t>(bytes.size())) != 1) {
        std::fprintf(stderr, "synthetic log rejected\n");
        return 1;
    }
    std::FILE* gpx = std::fopen(argv[3], "w");
    if (gpx == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::fputs(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>trip</name><trkseg>\n",
        gpx);
    for (const kvd::GpsFix& fix : trip.fixes) {
        const std::time_t time = static_cast<std::time_t>(fix.time);
        std::tm utc{};
        gmtime_r(&time, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        std::fprintf(gpx,
                     "<trkpt lat=\"%f\" lon=\"%f\"><ele>0</ele><time>%s</time>"
                     "<course>%.1f</course><speed>%.2f</speed></trkpt>\n",
                     fix.latitude, fix.longitude, stamp, fix.direction, fix.speed / 3.6);
    }
    std::fputs("</trkseg></trk>\n</gpx>\n", gpx);
    return std::fclose(gpx) == 0 ? 0 : 1;
}
