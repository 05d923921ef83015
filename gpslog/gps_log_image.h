// A log read in place: the header decoded and checked, the fixes produced from the bytes on
// demand. Converting a long log this way needs no memory per fix.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "gpslog/gpslog.h"
#include "gpslog/local_time.h"
#include "gpslog/log_format.h"

namespace kvd {

class GpsLogImage {
  public:
    // No value when the bytes hold no header block or its date and time are rejected;
    // error then says why. The header's date and time, and every local time the documents
    // show, are zone's.
    static std::optional<GpsLogImage> Open(std::span<const uint8_t> data, std::string& error,
                                           const TimeZone& zone = {});

    const TimeZone& Zone() const { return zone_; }
    int64_t StartTime() const { return startTime_; }
    int32_t Interval() const { return interval_; }

    // Calls visit(const GpsFix&, uint64_t index) for every fix in file order. Blocks without
    // a position (HoldsPosition) repeat the previous fix with valid 0; those before the first
    // position are dropped. A partial last block is ignored. The log ends before the first fix
    // whose time is past kLatestLocalTime: no output format could say when it was.
    template <typename Visit>
    void ForEachFix(Visit&& visit) const;

    // Makes ForEachFix end early once *stop is requested (checked every few thousand fixes).
    void StopWhen(const CancelRequest* stop) { stop_ = stop; }
    bool Stopped() const { return IsCancelled(stop_); }

    // The fixes ForEachFix visits.
    uint64_t FixCount() const;
    // Fixes of the file left out as their times are past kLatestLocalTime.
    uint64_t FixesPastTimeRange() const;
    // Time of the last fix, or the start time when there is none.
    int64_t EndTime() const;
    // When the span of the fix at time ends: one interval later, or at kLatestLocalTime for
    // the last fix the range holds.
    int64_t SpanEnd(int64_t time) const;

  private:
    GpsLogImage(std::span<const uint8_t> fixBlocks, int64_t startTime, int32_t interval,
                const TimeZone& zone);

    // Fixes in the file after the blocks before the first position.
    uint64_t FixesInFile() const;

    std::span<const uint8_t> fixBlocks_;  // whole blocks after the header only
    int64_t startTime_;
    int32_t interval_;
    uint64_t fixesInRange_;  // how many fixes have a time up to kLatestLocalTime
    const CancelRequest* stop_ = nullptr;
    TimeZone zone_;
};

// What the user is told of the fixes left out past the time range; empty when there are none.
std::string DescribeFixesPastTimeRange(const GpsLogImage& log);

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
        if (index == fixesInRange_) return;
        fix.time = startTime_ + static_cast<int64_t>(index) * interval_;
        visit(static_cast<const GpsFix&>(fix), index);
        ++index;
    }
}

}  // namespace kvd
