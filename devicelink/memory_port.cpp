#include "devicelink/memory_port.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace kvd {
namespace {

std::mutex g_lineMutex;
std::shared_ptr<MemoryLine> g_line;

PortOpenResult OpenMemoryPort(const std::string&, uint32_t, int32_t) {
    std::lock_guard lock(g_lineMutex);
    return {std::make_unique<MemoryPort>(g_line), PortOpenError::None};
}

}  // namespace

std::size_t MemoryPort::Write(const uint8_t* bytes, std::size_t count, int32_t) {
    line_->written.insert(line_->written.end(), bytes, bytes + count);
    if (line_->echoCommand && !commandDone_) {
        for (std::size_t i = 0; i < count && !commandDone_; ++i) {
            echo_.push_back(bytes[i]);
            commandDone_ = bytes[i] == '\n';
        }
    }
    return count;
}

std::size_t MemoryPort::Read(uint8_t* bytes, std::size_t capacity, int32_t) {
    if (!echo_.empty()) {
        const std::size_t n = std::min(capacity, echo_.size());
        std::memcpy(bytes, echo_.data(), n);
        echo_.erase(echo_.begin(), echo_.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    std::size_t n = std::min(capacity, line_->script.size() - line_->position);
    if (line_->burst != 0) n = std::min(n, line_->burst);
    if (n == 0) return 0;
    std::memcpy(bytes, line_->script.data() + line_->position, n);
    line_->position += n;
    return n;
}

void UseMemoryLine(std::shared_ptr<MemoryLine> line) {
    {
        std::lock_guard lock(g_lineMutex);
        g_line = std::move(line);
    }
    SetPortOpener(g_line ? OpenMemoryPort : nullptr);
}

}  // namespace kvd
