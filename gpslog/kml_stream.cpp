#include "gpslog/kml_stream.h"

#include "gpslog/xml_text.h"

namespace kvd {

void KmlStream::Text(std::string_view text) {
    AppendEscapedText(pending_, text);
    FlushIfFull();
}

void KmlStream::Flush() {
    if (!error_.empty()) {
        pending_.clear();  // the file is lost already; keep memory flat until Finish says so
        return;
    }
    encoded_.clear();
    if (!started_) {
        encoded_.assign(std::begin(kUtf16LeBom), std::end(kUtf16LeBom));
        started_ = true;
    }
    AppendUtf16Le(encoded_, pending_);
    pending_.clear();
    sink_.Write(encoded_, error_);
}

bool KmlStream::Finish(std::string& error) {
    Flush();
    error = error_;
    return error_.empty();
}

}  // namespace kvd
