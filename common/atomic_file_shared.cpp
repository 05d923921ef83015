#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

#include "common/atomic_file.h"
#include "common/path_text.h"

namespace kvd {
namespace {

constexpr std::string_view kTempPrefix = ".kvd-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kSaltDigits = 8;

// A writer keeps its temporary file changing until it renames it, a matter of seconds. One
// untouched this long is abandoned even if its process id means nothing here, as for a folder
// another machine writes into.
constexpr auto kAbandonedAfter = std::chrono::minutes(10);

// The process id in a name TemporaryFileName gives: ".kvd-PID-XXXXXXXX.tmp".
std::optional<unsigned long> WriterOf(std::string_view name) {
    if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) return std::nullopt;
    name.remove_prefix(kTempPrefix.size());
    name.remove_suffix(kTempSuffix.size());
    if (name.size() < kSaltDigits + 2 || name[name.size() - kSaltDigits - 1] != '-')
        return std::nullopt;
    const std::string_view salt = name.substr(name.size() - kSaltDigits);
    if (salt.find_first_not_of("0123456789abcdef") != std::string_view::npos) return std::nullopt;
    const std::string_view pid = name.substr(0, name.size() - kSaltDigits - 1);
    unsigned long processId = 0;
    const auto [end, code] = std::from_chars(pid.data(), pid.data() + pid.size(), processId);
    if (code != std::errc() || end != pid.data() + pid.size()) return std::nullopt;
    return processId;
}

}  // namespace

std::string TemporaryFileName(unsigned long processId) {
    static std::atomic<uint32_t> counter{0};
    static const uint32_t salt = std::random_device{}();
    char name[48];
    std::snprintf(name, sizeof name, ".kvd-%lu-%08x.tmp", processId,
                  static_cast<unsigned>(salt ^ counter.fetch_add(1)));
    return name;
}

int RemoveLeftoverTemporaryFiles(const std::filesystem::path& folder) {
    int removed = 0;
    const auto abandonedBefore = std::filesystem::file_time_type::clock::now() - kAbandonedAfter;
    std::error_code code;
    for (std::filesystem::directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code)) {
        const std::optional<unsigned long> writer = WriterOf(PathToUtf8(it->path().filename()));
        std::error_code entryError;
        const bool abandoned = writer && !ProcessMayBeRunning(*writer) &&
                               it->is_regular_file(entryError) &&
                               it->last_write_time(entryError) < abandonedBefore && !entryError;
        if (abandoned && std::filesystem::remove(it->path(), entryError)) ++removed;
    }
    return removed;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error) {
    AtomicFile file;
    return file.Open(target, error) && file.Write(bytes, error) && file.Commit(error);
}

CommitOutcome WriteNewFileAtomically(const std::filesystem::path& target,
                                     std::span<const uint8_t> bytes, std::string& error) {
    AtomicFile file;
    if (!file.Open(target, error) || !file.Write(bytes, error)) return CommitOutcome::Failed;
    return file.CommitNew(error);
}

}  // namespace kvd
