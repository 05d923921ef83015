// The settings codec: any bytes decode, and what is encoded decodes to the same values. The
// input's first line is a value to set (as a picked folder: UTF-8, no line break), the rest
// the file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/utf8.h"
#include "transfer/transfer.h"

namespace {

// Keys a file may hold besides ours; the seeds name them so that the fuzzer finds them.
constexpr std::pair<std::string_view, std::string_view> kProbes[] = {
    {"KVD2730", "Window"}, {"Other", "GPS"}, {"Other", "name"}, {"Last", "x"}, {"KVD2730", "GPSX"},
};

std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t feed = input.find('\n');
    const std::string_view value = feed == std::string_view::npos ? "" : input.substr(0, feed);
    const std::string_view file = feed == std::string_view::npos ? input : input.substr(feed + 1);

    const kvd::ProfileText decoded = kvd::ProfileText::Decode(AsBytes(file));
    // Once through the codec, a file is stable: encoding its decoding gives it back.
    const std::vector<uint8_t> encoded = decoded.Encode();
    const kvd::ProfileText again = kvd::ProfileText::Decode(encoded);
    if (again.Encode() != encoded) __builtin_trap();
    for (const auto& [section, key] : kProbes)
        if (again.Get(section, key) != decoded.Get(section, key)) __builtin_trap();

    const bool pickable =
        kvd::ProfileText::CanHold(value) && kvd::Utf16ToUtf8(kvd::Utf8ToUtf16(value)) == value;
    if (!pickable) return 0;
    kvd::ProfileText changed = decoded;
    changed.Set("KVD2730", "GPS", value);
    const kvd::ProfileText read = kvd::ProfileText::Decode(changed.Encode());
    if (read.Get("KVD2730", "GPS") != std::optional<std::string>(value)) __builtin_trap();
    for (const auto& [section, key] : kProbes)
        if (read.Get(section, key) != decoded.Get(section, key)) __builtin_trap();
    return 0;
}
