// A log read in place: the header decoded and checked, the fixes produced from the bytes on
// demand. Converting a long log this way needs no memory per fix.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "gpslog/gpslog.h"
#include "gpslog/log_format.h"

namespace kvd {

class GpsLogImage {
public:
    // No value when the bytes hold no header block or its date and time are rejected;
    // error then says why.
    static std::optional<GpsLogImage> Open(std::span<const uint8_t> data, std::string& error);

    int64_t StartTime() const { return startTime_; }
    int32_t Interval() const { return interval_; }

    // Calls visit(const GpsFix&, uint64_t index) for every fix in file order. Blocks without
    // a position (HoldsPosition) repeat the previous fix with valid 0; those before the first
    // position are dropped. A partial last block is ignored.
    template <typename Visit>
    void ForEachFix(Visit&& visit) const;

    // Makes ForEachFix end early once *stop is requested (checked every few thousand fixes).
    void StopWhen(const CancelRequest* stop) { stop_ = stop; }
    bool Stopped() const { return IsCancelled(stop_); }

    uint64_t FixCount() const;
    // Time of the last fix, or the start time when there is none.
    int64_t EndTime() const;

private:
    GpsLogImage(std::span<const uint8_t> fixBlocks, int64_t startTime, int32_t interval)
        : fixBlocks_(fixBlocks), startTime_(startTime), interval_(interval) {}

    std::span<const uint8_t> fixBlocks_;  // whole blocks after the header only
    int64_t startTime_;
    int32_t interval_;
    const CancelRequest* stop_ = nullptr;
};

template <typename Visit>
void GpsLogImage::ForEachFix(Visit&& visit) const {
    GpsFix fix;
    bool seenPosition = false;
    uint64_t index = 0;
    constexpr std::size_t kStopCheckBytes = 4096 * kLogBlockSize;
    for (std::size_t offset = 0; offset < fixBlocks_.size(); offset += kLogBlockSize) {
        if (offset % kStopCheckBytes == 0 && Stopped()) return;
        const FixBlock block = DecodeFixBlock(fixBlocks_.data() + offset);
        if (HoldsPosition(block)) {
            fix.latitude = block.latitude / 1e6;
            fix.longitude = block.longitude / 1e6;
            fix.speed = block.speed / 100.0;
            fix.direction = block.direction / 10.0;
            fix.altitude = 0;
            fix.mark = block.mark;
            fix.valid = block.valid;
            seenPosition = true;
        } else if (seenPosition) {
            fix.valid = 0;  // everything else stays as the previous fix had it
        } else {
            continue;
        }
        fix.time = startTime_ + static_cast<int64_t>(index) * interval_;
        visit(static_cast<const GpsFix&>(fix), index);
        ++index;
    }
}

}  // namespace kvd
