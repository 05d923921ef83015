#include "simulator/device_storage.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kvd::sim {

std::string FormatListReply(const std::string& word, std::span<const Slot> slots) {
    std::string line = word + " 0 ";
    for (const Slot& slot : slots) {
        if (slot) {
            line += '"' + slot->name + "\"," + std::to_string(slot->bytes.size()) + ' ';
        } else {
            line += "0 ";
        }
    }
    line += '\n';
    return line;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": " + std::strerror(errno));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kvd::sim
