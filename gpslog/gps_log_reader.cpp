#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "gpslog/gps_log_image.h"
#include "gpslog/local_time.h"

namespace kvd {
namespace {

// The field checks come first: the calendar arithmetic would quietly roll a month 13 or an
// hour 24 over.
std::string CheckHeaderFields(const LogHeader& h) {
    auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (h.year < 1900) return "year " + std::to_string(h.year) + " is before 1900";
    if (outside(h.month, 1, 12)) return "month " + std::to_string(h.month) + " is not 1-12";
    if (outside(h.day, 1, 31)) return "day " + std::to_string(h.day) + " is not 1-31";
    if (outside(h.hour, 0, 23)) return "hour " + std::to_string(h.hour) + " is not 0-23";
    if (outside(h.minute, 0, 59)) return "minute " + std::to_string(h.minute) + " is not 0-59";
    if (outside(h.second, 0, 59)) return "second " + std::to_string(h.second) + " is not 0-59";
    return {};
}

// The format has no signature of its own, so a header without a date is what tells a file
// that is not a log; the first bytes of the commonest mistakes say what it is instead.
std::string NotALog(std::span<const uint8_t> data, const std::string& badField) {
    const auto startsWith = [&](std::string_view prefix) {
        return data.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), data.begin(),
                          [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
    };
    std::string what;
    if (startsWith("<") || startsWith("\xEF\xBB\xBF<") || startsWith("\xFF\xFE<") ||
        startsWith("\xFE\xFF")) {
        what = "it is XML text, such as a GPX or KML file";
    } else if (startsWith("\x89PNG")) {
        what = "it is a PNG picture";
    } else if (startsWith("\xFF\xD8\xFF")) {
        what = "it is a JPEG picture";
    } else if (startsWith("GIF8")) {
        what = "it is a GIF picture";
    } else if (startsWith("PK\x03\x04")) {
        what = "it is a ZIP archive, such as a KMZ file";
    } else if (startsWith("%PDF")) {
        what = "it is a PDF document";
    } else {
        what = "its first 16 bytes hold no date (" + badField + ")";
    }
    return "not a KVD-2730 log: " + what;
}

// "3001-01-01 08:59:59".
std::string DateTimeText(const CalendarFields& f) {
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return text;
}

std::string LocalTimeText(int64_t time, const TimeZone& zone) {
    return DateTimeText(TimeToLocalCalendar(time, zone));
}

}  // namespace

std::optional<GpsLogImage> GpsLogImage::Open(std::span<const uint8_t> data, std::string& error,
                                             const TimeZone& zone) {
    if (data.size() < kLogBlockSize) {
        error = "log of " + std::to_string(data.size()) +
                " bytes is shorter than its 16-byte header block";
        return std::nullopt;
    }
    const LogHeader header = DecodeLogHeader(data.data());
    const std::string badField = CheckHeaderFields(header);
    if (!badField.empty()) {
        error = NotALog(data, badField);
        return std::nullopt;
    }
    const CalendarFields date{header.year, header.month,  header.day,
                              header.hour, header.minute, header.second};
    const std::optional<int64_t> start = LocalCalendarToTime(date, zone);
    if (!start) {
        error =
            "the log's start, " + DateTimeText(date) +
            ", is outside the times a log can hold: " + LocalTimeText(kEarliestLocalTime, zone) +
            " to " + LocalTimeText(kLatestLocalTime, zone) + " local time";
        return std::nullopt;
    }
    const std::size_t wholeBlocks = data.size() / kLogBlockSize;
    return GpsLogImage(data.subspan(kLogBlockSize, (wholeBlocks - 1) * kLogBlockSize), *start,
                       header.interval, zone);
}

GpsLogImage::GpsLogImage(std::span<const uint8_t> fixBlocks, int64_t startTime, int32_t interval,
                         const TimeZone& zone)
    : fixBlocks_(fixBlocks), startTime_(startTime), interval_(interval), zone_(zone) {
    // The start is in the range (Open checked it); fix n is n intervals later.
    fixesInRange_ = interval_ <= 0
                        ? UINT64_MAX
                        : static_cast<uint64_t>((kLatestLocalTime - startTime_) / interval_) + 1;
}

uint64_t GpsLogImage::FixesInFile() const {
    // Only blocks before the first position are dropped; every later block is one fix.
    for (std::size_t offset = 0; offset < fixBlocks_.size(); offset += kLogBlockSize) {
        if (HoldsPosition(DecodeFixBlock(fixBlocks_.data() + offset))) {
            return (fixBlocks_.size() - offset) / kLogBlockSize;
        }
    }
    return 0;
}

uint64_t GpsLogImage::FixCount() const { return std::min(FixesInFile(), fixesInRange_); }

uint64_t GpsLogImage::FixesPastTimeRange() const { return FixesInFile() - FixCount(); }

int64_t GpsLogImage::EndTime() const {
    const uint64_t count = FixCount();
    return count == 0 ? startTime_ : startTime_ + static_cast<int64_t>(count - 1) * interval_;
}

int64_t GpsLogImage::SpanEnd(int64_t time) const {
    return std::min(time + interval_, kLatestLocalTime);
}

std::string DescribeFixesPastTimeRange(const GpsLogImage& log) {
    const uint64_t count = log.FixesPastTimeRange();
    if (count == 0) return {};
    return std::to_string(count) + (count == 1 ? " fix" : " fixes") + " left out after " +
           LocalTimeText(kLatestLocalTime, log.Zone()) + " local time, the latest a log can hold";
}

int32_t ReadGpsLog(GpsLog& log, const uint8_t* data, uint32_t length) {
    std::string error;
    const std::optional<GpsLogImage> image =
        GpsLogImage::Open({data, data == nullptr ? 0 : std::size_t{length}}, error);
    if (!image) {
        return 0;
    }
    log.start_time = image->StartTime();
    log.interval = image->Interval();
    log.fixes.reserve(log.fixes.size() + image->FixCount());
    image->ForEachFix([&log](const GpsFix& fix, uint64_t) { log.fixes.push_back(fix); });
    return 1;
}

}  // namespace kvd
