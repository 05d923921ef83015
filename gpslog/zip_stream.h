// A zip file of one deflated entry, written front to back as the entry's bytes arrive: its
// CRC-32 and sizes follow the data in a descriptor, so nothing is sought back to and memory
// stays at zlib's window and one buffer however large the entry. KMZ files are made so.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/byte_sink.h"

namespace kvd {

class ZipEntryStream final : public ByteSink {
  public:
    // The largest entry and zip without Zip64: a field of all ones tells a reader to look for
    // Zip64 fields, so it is one less than 4 GiB.
    static constexpr uint64_t kLargestSize = 0xFFFFFFFEu;

    // The zip goes to out. largest bounds the entry, its deflated data and the whole file
    // alike; only tests give less than kLargestSize.
    ZipEntryStream(ByteSink& out, std::string entryName, uint64_t largest = kLargestSize);
    ZipEntryStream(const ZipEntryStream&) = delete;
    ZipEntryStream& operator=(const ZipEntryStream&) = delete;
    ~ZipEntryStream() override;

    // The entry's next bytes. Fails, and keeps failing, once the zip would pass its bound.
    bool Write(std::span<const uint8_t> bytes, std::string& error) override;
    // Ends the entry and writes the rest of the zip; false with the first error.
    bool Finish(std::string& error);

  private:
    struct Deflater;

    bool Start(std::string& error);
    bool Deflate(std::span<const uint8_t> bytes, bool last, std::string& error);
    bool Emit(std::span<const uint8_t> bytes, std::string& error);
    bool Fail(std::string reason, std::string& error);
    std::string TooLarge() const;

    ByteSink& out_;
    std::string name_;
    uint64_t largest_;
    std::unique_ptr<Deflater> deflater_;
    std::string failure_;  // once set, every call fails with it
    bool started_ = false;
    bool finished_ = false;
    uint32_t crc_ = 0;
    uint64_t entryBytes_ = 0;
    uint64_t deflatedBytes_ = 0;
    uint64_t zipBytes_ = 0;
};

}  // namespace kvd
