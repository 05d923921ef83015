#include <windows.h>

#include <atomic>
#include <chrono>

#include "gpslog/local_time.h"

namespace kvd {
namespace {

using Clock = std::chrono::steady_clock;

// The zone query reads the registry, too slow for every fix of a log; a zone changed in the
// system settings is still seen within a second.
constexpr auto kRereadAfter = std::chrono::seconds(1);

std::atomic<int32_t> g_cachedBias{0};
std::atomic<int64_t> g_cachedAt{INT64_MIN};
std::atomic<bool> g_pinned{false};
std::atomic<int32_t> g_pinnedBias{0};

}  // namespace

// Bias is the standard offset in minutes, UTC = local + Bias; DaylightBias is not applied.
int32_t StandardZoneBiasMinutes() {
    if (g_pinned.load(std::memory_order_acquire)) return g_pinnedBias.load();
    const int64_t now = Clock::now().time_since_epoch().count();
    const int64_t at = g_cachedAt.load(std::memory_order_acquire);
    if (at != INT64_MIN && now - at < Clock::duration(kRereadAfter).count()) {
        return g_cachedBias.load(std::memory_order_relaxed);
    }
    TIME_ZONE_INFORMATION info{};
    if (GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) info.Bias = 0;
    g_cachedBias.store(static_cast<int32_t>(info.Bias), std::memory_order_relaxed);
    g_cachedAt.store(now, std::memory_order_release);
    return static_cast<int32_t>(info.Bias);
}

}  // namespace kvd

namespace kvd {

void PinZoneBias(std::optional<int32_t> biasMinutes) {
    g_pinnedBias.store(biasMinutes.value_or(0));
    g_pinned.store(biasMinutes.has_value(), std::memory_order_release);
}

}  // namespace kvd
