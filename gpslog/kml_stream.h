// The KML document on its way to the file: markup and escaped text, encoded as UTF-16LE after
// a byte-order mark into one fixed buffer that goes out whenever it fills, so memory stays
// flat however long the log.
#pragma once

#include <string>
#include <string_view>

#include "common/byte_sink.h"
#include "common/text_sink.h"

namespace kvd {

class KmlStream {
  public:
    explicit KmlStream(ByteSink& sink);

    void Markup(std::string_view markup) { text_.Append(markup); }
    // Character data, escaped for XML.
    void Text(std::string_view text);

    // For formatters that write markup in place.
    TextSink& Out() { return text_; }

    // Writes what is buffered; false with the first write error.
    bool Finish(std::string& error) { return text_.Finish(error); }

  private:
    TextSink text_;
};

}  // namespace kvd
