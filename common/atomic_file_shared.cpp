#include "common/atomic_file.h"

namespace kvd {

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error) {
    AtomicFile file;
    return file.Open(target, error) && file.Write(bytes, error) && file.Commit(error);
}

}  // namespace kvd
