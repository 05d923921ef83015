#include "simulator/synthetic_trips.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace kvd::sim {
namespace {

void PutLe(std::vector<uint8_t>& out, std::size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

StoredFile MakeSyntheticTrip(const TripPlan& plan) {
    std::mt19937 random(plan.seed);
    const int month = 1 + static_cast<int>(random() % 12);
    const int day = 1 + static_cast<int>(random() % 28);
    const int hour = 6 + static_cast<int>(random() % 14);
    const int minute = static_cast<int>(random() % 60);

    std::vector<uint8_t> bytes(16 * (static_cast<std::size_t>(plan.fixCount) + 1), 0);
    PutLe(bytes, 2, static_cast<uint32_t>(plan.intervalSeconds), 2);
    PutLe(bytes, 8, 2026, 2);
    bytes[10] = static_cast<uint8_t>(month);
    bytes[11] = static_cast<uint8_t>(day);
    bytes[12] = static_cast<uint8_t>(hour);
    bytes[13] = static_cast<uint8_t>(minute);

    double latitude = 35.0 + static_cast<double>(random() % 1000) / 1000.0;
    double longitude = 135.0 + static_cast<double>(random() % 1000) / 1000.0;
    double heading = static_cast<double>(random() % 360);
    double speed = 30.0;
    std::uniform_real_distribution<double> turn(-8.0, 8.0);
    std::uniform_real_distribution<double> accel(-3.0, 3.0);
    for (int k = 1; k <= plan.fixCount; ++k) {
        heading = std::fmod(heading + turn(random) + 360.0, 360.0);
        speed = std::clamp(speed + accel(random), 0.0, 120.0);
        const double metres = speed / 3.6 * plan.intervalSeconds;
        latitude += metres * std::cos(heading * M_PI / 180.0) / 111'000.0;
        longitude += metres * std::sin(heading * M_PI / 180.0) / 91'000.0;
        const std::size_t at = 16 * static_cast<std::size_t>(k);
        PutLe(bytes, at + 0, static_cast<uint32_t>(std::lround(latitude * 1e6)), 4);
        PutLe(bytes, at + 4, static_cast<uint32_t>(std::lround(longitude * 1e6)), 4);
        PutLe(bytes, at + 8, static_cast<uint32_t>(std::lround(speed * 100)), 2);
        PutLe(bytes, at + 10, static_cast<uint32_t>(std::lround(heading * 10)), 2);
        bytes[at + 12] = random() % 97 == 0 ? 1 : 0;  // an occasional mark
        bytes[at + 13] = random() % 53 == 0 ? 0 : 1;  // an occasional lost fix
    }
    char name[16];
    std::snprintf(name, sizeof name, "%02d%02d%02d%02d.LOG", month, day, hour, minute);
    return {name, std::move(bytes)};
}

}  // namespace kvd::sim
