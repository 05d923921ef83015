#include <atomic>
#include <cstdio>
#include <random>

#include "common/atomic_file.h"

namespace kvd {

std::string TemporaryFileName(unsigned long processId) {
    static std::atomic<uint32_t> counter{0};
    static const uint32_t salt = std::random_device{}();
    char name[48];
    std::snprintf(name, sizeof name, ".kvd-%lu-%08x.tmp", processId,
                  static_cast<unsigned>(salt ^ counter.fetch_add(1)));
    return name;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error) {
    AtomicFile file;
    return file.Open(target, error) && file.Write(bytes, error) && file.Commit(error);
}

}  // namespace kvd
