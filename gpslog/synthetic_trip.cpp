#include <algorithm>
#include <cmath>
#include <numbers>

#include "gpslog/log_format.h"

namespace kvd {
namespace {

// splitmix64: tiny, and the same sequence everywhere, unlike the standard distributions.
class TripRandom {
  public:
    explicit TripRandom(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }
    // An event of rate perSecond happening within a step of the given length.
    bool Chance(double perSecond, double seconds) { return Unit() < perSecond * seconds; }

  private:
    uint64_t state_;
};

constexpr double kMetresPerDegreeLatitude = 111'000.0;

struct Car {
    double latitude = 35.681236;
    double longitude = 139.767125;
    double speedKmh = 0.0;
    double targetKmh = 40.0;
    double heading = 0.0;       // degrees, 0 north, clockwise
    double turnLeft = 0.0;      // degrees still to turn, signed
    double stoppedFor = 0.0;    // seconds left standing at a light
    uint32_t tunnelBlocks = 0;  // invalid blocks still to come

    void Drive(TripRandom& random, double seconds) {
        if (stoppedFor > 0.0) {
            stoppedFor -= seconds;
            speedKmh = std::max(0.0, speedKmh - 8.0 * seconds);
        } else {
            if (random.Chance(1.0 / 120.0, seconds)) targetKmh = random.Between(20.0, 80.0);
            if (random.Chance(1.0 / 600.0, seconds)) stoppedFor = random.Between(20.0, 90.0);
            const double step = std::clamp(targetKmh - speedKmh, -6.0 * seconds, 2.5 * seconds);
            speedKmh = std::max(0.0, speedKmh + step + random.Between(-0.5, 0.5));
        }
        if (turnLeft == 0.0 && random.Chance(1.0 / 200.0, seconds)) {
            turnLeft = random.Below(2) == 0 ? 90.0 : -90.0;
        }
        const double turn = std::clamp(turnLeft, -18.0 * seconds, 18.0 * seconds);
        turnLeft -= turn;
        heading = std::fmod(heading + turn + random.Between(-1.5, 1.5) + 360.0, 360.0);

        const double metres = speedKmh / 3.6 * seconds;
        const double radians = heading * std::numbers::pi / 180.0;
        latitude += metres * std::cos(radians) / kMetresPerDegreeLatitude;
        longitude += metres * std::sin(radians) /
                     (kMetresPerDegreeLatitude * std::cos(latitude * std::numbers::pi / 180.0));
    }

    FixBlock Block(uint8_t mark) const {
        FixBlock fix;
        fix.latitude = static_cast<uint32_t>(std::lround(latitude * 1e6));
        fix.longitude = static_cast<uint32_t>(std::lround(longitude * 1e6));
        fix.speed = static_cast<uint16_t>(std::lround(speedKmh * 100.0));
        fix.direction = static_cast<uint16_t>(std::lround(heading * 10.0) % 3600);
        fix.mark = mark;
        fix.valid = 1;
        return fix;
    }
};

}  // namespace

SyntheticTrip MakeSyntheticTripBlocks(uint64_t seed, uint32_t fixCount, uint16_t interval) {
    TripRandom random(seed);
    SyntheticTrip trip;
    trip.header.interval = interval;
    trip.header.year = static_cast<uint16_t>(2013 + random.Below(8));
    trip.header.month = static_cast<uint8_t>(1 + random.Below(12));
    trip.header.day = static_cast<uint8_t>(1 + random.Below(28));
    trip.header.hour = static_cast<uint8_t>(6 + random.Below(12));
    trip.header.minute = static_cast<uint8_t>(random.Below(60));
    trip.header.second = static_cast<uint8_t>(random.Below(60));

    Car car;
    car.latitude += random.Between(-0.05, 0.05);
    car.longitude += random.Between(-0.05, 0.05);
    car.heading = random.Between(0.0, 360.0);
    // The receiver needs a moment to find its first position.
    car.tunnelBlocks = 1 + random.Below(4);

    const double seconds = interval;
    trip.fixes.reserve(fixCount);
    while (trip.fixes.size() < fixCount) {
        if (car.tunnelBlocks > 0) {
            --car.tunnelBlocks;
            trip.fixes.push_back(FixBlock{});  // no position: every field 0
        } else {
            const uint8_t mark = random.Chance(1.0 / 900.0, seconds) ? 1 : 0;
            trip.fixes.push_back(car.Block(mark));
            if (car.speedKmh > 30.0 && random.Chance(1.0 / 1800.0, seconds)) {
                car.tunnelBlocks = 5 + random.Below(26);
            }
        }
        car.Drive(random, seconds);
    }
    return trip;
}

std::vector<uint8_t> MakeSyntheticTrip(uint64_t seed, uint32_t fixCount, uint16_t interval) {
    const SyntheticTrip trip = MakeSyntheticTripBlocks(seed, fixCount, interval);
    return EncodeLog(trip.header, trip.fixes);
}

}  // namespace kvd
