#include "devicelink/ymodem_steps.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "devicelink/transport.h"
#include "devicelink/ymodem_block.h"

namespace kvd {

bool SendControlByte(LinkContext& context, uint8_t byte) {
    context.sendBuf[0] = byte;
    context.sendCount = 1;
    return WriteSendBuffer(context);
}

bool ReadControlByte(LinkContext& context, uint8_t& byte) {
    context.recvCount = 1;
    if (!ReadExact(context)) return false;
    byte = context.recvBuf[0];
    return true;
}

void MarkBlockTime(LinkContext& context) {
    context.now = static_cast<int64_t>(std::time(nullptr));
    context.elapsed = static_cast<double>(context.now - context.startTime);
    const int64_t bytesDone =
        context.blockCounter.Index() * static_cast<int64_t>(FileBlockData(context));
    context.estimate =
        bytesDone > 0 ? context.elapsed * context.header.fileSize / static_cast<double>(bytesDone)
                      : 0.0;
}

void ReportProgress(LinkContext& context) {
    if (!context.progress || context.header.fileSize <= 0) return;
    // 64 bits: index x 1024 x 100 passes 32 bits for files above about 20 MiB.
    const int64_t percent = context.blockCounter.Index() *
                            static_cast<int64_t>(FileBlockData(context)) * 100 /
                            context.header.fileSize;
    const auto clamped =
        static_cast<int32_t>(std::min<int64_t>(percent, std::numeric_limits<int32_t>::max()));
    if (clamped == context.lastPercent) return;
    context.lastPercent = clamped;
    context.progress(context.progressContext, clamped, context.displayName.c_str(), context.elapsed,
                     context.estimate, context.mode);
}

}  // namespace kvd
