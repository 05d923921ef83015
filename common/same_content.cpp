#include "common/same_content.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

namespace kvd {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Reads up to the buffer's size; fewer bytes only at the end of the file.
std::size_t ReadChunk(std::ifstream& in, std::vector<char>& buffer) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    return static_cast<std::size_t>(in.gcount());
}

}  // namespace

bool FileHolds(const std::filesystem::path& file, std::span<const uint8_t> bytes) {
    std::error_code code;
    const auto size = std::filesystem::file_size(file, code);
    if (code || size != bytes.size()) return false;
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(kChunk);
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t n = ReadChunk(in, buffer);
        if (n == 0 || !std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                  [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
            return false;
        offset += n;
    }
    return true;
}

bool SameFileContent(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code codeA, codeB;
    const auto sizeA = std::filesystem::file_size(a, codeA);
    const auto sizeB = std::filesystem::file_size(b, codeB);
    if (codeA || codeB || sizeA != sizeB) return false;
    std::ifstream inA(a, std::ios::binary), inB(b, std::ios::binary);
    std::vector<char> bufferA(kChunk), bufferB(kChunk);
    for (uintmax_t done = 0; done < sizeA;) {
        const std::size_t n = ReadChunk(inA, bufferA);
        if (n == 0 || ReadChunk(inB, bufferB) != n ||
            !std::equal(bufferA.begin(), bufferA.begin() + static_cast<std::ptrdiff_t>(n),
                        bufferB.begin()))
            return false;
        done += n;
    }
    return true;
}

std::optional<uint64_t> FileContentHash(const std::filesystem::path& file) {
    std::error_code code;
    const auto size = std::filesystem::file_size(file, code);
    if (code) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(kChunk);
    ContentHash hash;
    for (uintmax_t done = 0; done < size;) {
        const std::size_t n = ReadChunk(in, buffer);
        if (n == 0) return std::nullopt;
        hash.Add({reinterpret_cast<const uint8_t*>(buffer.data()), n});
        done += n;
    }
    return hash.Value();
}

}  // namespace kvd
