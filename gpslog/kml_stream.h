// The KML document on its way to the file: markup and escaped text in UTF-8, written out in
// chunks as UTF-16LE after a byte-order mark, so memory stays flat however long the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_sink.h"

namespace kvd {

class KmlStream {
public:
    explicit KmlStream(ByteSink& sink) : sink_(sink) {}

    void Markup(std::string_view markup) {
        pending_ += markup;
        FlushIfFull();
    }
    void Text(std::string_view text);

    // For formatters that append markup in place; call FlushIfFull() after each piece.
    std::string& Pending() { return pending_; }
    void FlushIfFull() {
        if (pending_.size() >= kChunkSize) Flush();
    }

    // Writes what is pending; false with the first write error.
    bool Finish(std::string& error);

private:
    static constexpr std::size_t kChunkSize = 256 * 1024;
    void Flush();

    ByteSink& sink_;
    std::string pending_;
    std::vector<uint8_t> encoded_;
    bool started_ = false;
    std::string error_;
};

}  // namespace kvd
