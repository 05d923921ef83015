#include "gpslog/zip_stream.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace kvd {
namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint16_t kVersion = 20;             // 2.0: deflate; made by "MS-DOS", no attributes
constexpr uint16_t kFlagDescriptor = 1 << 3;  // CRC and sizes follow the data
constexpr uint16_t kMethodDeflate = 8;
// Every file gets 1980-01-01 00:00, the earliest time a zip can say: the same log then makes
// the same bytes, which is how a log saved before is recognised.
constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = (1 << 5) | 1;

constexpr std::size_t kOutputBytes = 64 * 1024;
// zlib counts in 32-bit units; larger spans go in pieces.
constexpr std::size_t kLargestPiece = 1u << 30;

class Fields {
  public:
    Fields& U16(uint16_t value) {
        bytes_.push_back(static_cast<uint8_t>(value));
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    Fields& U32(uint64_t value) {  // callers have checked that value fits
        U16(static_cast<uint16_t>(value));
        return U16(static_cast<uint16_t>(value >> 16));
    }
    Fields& Text(const std::string& text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    std::span<const uint8_t> Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

struct ZipEntryStream::Deflater {
    z_stream stream{};
    bool ready = false;
    std::array<uint8_t, kOutputBytes> output;

    Deflater() {
        // Raw deflate: the zip's own fields stand where zlib's header and checksum would.
        ready = deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                             Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() {
        if (ready) deflateEnd(&stream);
    }
};

ZipEntryStream::ZipEntryStream(ByteSink& out, std::string entryName, uint64_t largest)
    : out_(out),
      name_(std::move(entryName)),
      largest_(std::min(largest, kLargestSize)),
      crc_(static_cast<uint32_t>(crc32(0, nullptr, 0))) {}

ZipEntryStream::~ZipEntryStream() = default;

bool ZipEntryStream::Fail(std::string reason, std::string& error) {
    if (failure_.empty()) failure_ = std::move(reason);
    error = failure_;
    return false;
}

std::string ZipEntryStream::TooLarge() const {
    return name_ + " would be larger than 4 GiB, more than a zip file without Zip64 holds";
}

bool ZipEntryStream::Emit(std::span<const uint8_t> bytes, std::string& error) {
    if (bytes.size() > largest_ - zipBytes_) return Fail(TooLarge(), error);
    if (!out_.Write(bytes, error)) return Fail(error, error);
    zipBytes_ += bytes.size();
    return true;
}

bool ZipEntryStream::Start(std::string& error) {
    if (started_) return true;
    started_ = true;
    deflater_ = std::make_unique<Deflater>();
    if (!deflater_->ready) return Fail("cannot start compressing " + name_, error);
    Fields header;
    header.U32(kLocalHeaderSignature)
        .U16(kVersion)
        .U16(kFlagDescriptor)
        .U16(kMethodDeflate)
        .U16(kDosTime)
        .U16(kDosDate)
        .U32(0)  // CRC-32 and sizes: in the descriptor
        .U32(0)
        .U32(0)
        .U16(static_cast<uint16_t>(name_.size()))
        .U16(0)
        .Text(name_);
    return Emit(header.Bytes(), error);
}

bool ZipEntryStream::Deflate(std::span<const uint8_t> bytes, bool last, std::string& error) {
    z_stream& stream = deflater_->stream;
    stream.next_in = const_cast<Bytef*>(bytes.data());  // zlib's API lacks const; it only reads
    stream.avail_in = static_cast<uInt>(bytes.size());
    int status = Z_OK;
    do {
        stream.next_out = deflater_->output.data();
        stream.avail_out = static_cast<uInt>(deflater_->output.size());
        status = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR) return Fail("cannot compress " + name_, error);
        const std::size_t produced = deflater_->output.size() - stream.avail_out;
        // The zip's bound covers the deflated data too: it is part of the file.
        if (!Emit({deflater_->output.data(), produced}, error)) return false;
        deflatedBytes_ += produced;
    } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
    return true;
}

bool ZipEntryStream::Write(std::span<const uint8_t> bytes, std::string& error) {
    if (!failure_.empty()) return Fail(failure_, error);
    if (finished_) return Fail("the zip of " + name_ + " is already complete", error);
    if (!Start(error)) return false;
    // Refused before any of it is compressed: the entry's size field has 32 bits.
    if (bytes.size() > largest_ - entryBytes_) return Fail(TooLarge(), error);
    while (!bytes.empty()) {
        const std::span<const uint8_t> piece = bytes.first(std::min(bytes.size(), kLargestPiece));
        crc_ = static_cast<uint32_t>(crc32(crc_, piece.data(), static_cast<uInt>(piece.size())));
        entryBytes_ += piece.size();
        if (!Deflate(piece, false, error)) return false;
        bytes = bytes.subspan(piece.size());
    }
    return true;
}

bool ZipEntryStream::Finish(std::string& error) {
    if (!failure_.empty()) return Fail(failure_, error);
    if (finished_) return true;
    if (!Start(error) || !Deflate({}, true, error)) return false;
    finished_ = true;
    Fields descriptor;
    descriptor.U32(kDescriptorSignature).U32(crc_).U32(deflatedBytes_).U32(entryBytes_);
    if (!Emit(descriptor.Bytes(), error)) return false;
    const uint64_t directoryOffset = zipBytes_;
    Fields directory;
    directory.U32(kCentralHeaderSignature)
        .U16(kVersion)  // made by
        .U16(kVersion)  // needed
        .U16(kFlagDescriptor)
        .U16(kMethodDeflate)
        .U16(kDosTime)
        .U16(kDosDate)
        .U32(crc_)
        .U32(deflatedBytes_)
        .U32(entryBytes_)
        .U16(static_cast<uint16_t>(name_.size()))
        .U16(0)  // extra field
        .U16(0)  // comment
        .U16(0)  // disk
        .U16(0)  // internal attributes
        .U32(0)  // external attributes
        .U32(0)  // the local header's offset
        .Text(name_);
    if (!Emit(directory.Bytes(), error)) return false;
    Fields end;
    end.U32(kEndSignature)
        .U16(0)  // this disk
        .U16(0)  // the directory's disk
        .U16(1)  // entries on this disk
        .U16(1)  // entries
        .U32(directory.Bytes().size())
        .U32(directoryOffset)
        .U16(0);  // comment
    return Emit(end.Bytes(), error);
}

}  // namespace kvd
