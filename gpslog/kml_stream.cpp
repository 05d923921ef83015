#include "gpslog/kml_stream.h"

#include "gpslog/xml_text.h"

namespace kvd {

KmlStream::KmlStream(ByteSink& sink) : text_(sink, TextEncoding::Utf16Le) {
    text_.Append(kByteOrderMark);
}

void KmlStream::Text(std::string_view text) { AppendEscapedText(text_, text); }

}  // namespace kvd
