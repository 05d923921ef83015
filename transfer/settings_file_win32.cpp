#include <windows.h>

#include <string>

#include "common/system_text.h"
#include "transfer/settings_file.h"
#include "transfer/settings_file_platform.h"

namespace kvd {
namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

ProfileFile Refused(std::string why) { return {ProfileFileState::Refused, {}, std::move(why)}; }

bool NothingThere(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::uintmax_t SizeOf(DWORD high, DWORD low) {
    return (static_cast<std::uintmax_t>(high) << 32) | low;
}

// Why a file with these attributes and this size is not read as settings; empty when it is.
std::string Unfit(DWORD attributes, std::uintmax_t size) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "it is a folder";
    if (size > kLargestSettingsFile) return TooLargeForSettings(size);
    return {};
}

// A disk file's handle as the settings want it; empty when it is one.
std::string UnfitHandle(HANDLE file) {
    if (GetFileType(file) != FILE_TYPE_DISK) return "it is not a regular file";
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return "it cannot be read: " + SystemErrorText(GetLastError());
    return Unfit(info.dwFileAttributes, SizeOf(info.nFileSizeHigh, info.nFileSizeLow));
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

ProfileFile ReadProfileFile(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = GetLastError();
        if (NothingThere(code)) return {};
        return Refused("it cannot be read: " + SystemErrorText(code));
    }
    if (std::string why =
            Unfit(data.dwFileAttributes, SizeOf(data.nFileSizeHigh, data.nFileSizeLow));
        !why.empty())
        return Refused(std::move(why));
    const Handle handle(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (NothingThere(code)) return {};
        return Refused("it cannot be read: " + SystemErrorText(code));
    }
    if (std::string why = UnfitHandle(handle.get()); !why.empty()) return Refused(std::move(why));

    // The file may grow while it is read; one byte past the bound tells.
    ProfileFile read{ProfileFileState::Read, {}, {}};
    read.bytes.resize(static_cast<std::size_t>(kLargestSettingsFile) + 1);
    std::size_t got = 0;
    while (got < read.bytes.size()) {
        DWORD count = 0;
        if (!ReadFile(handle.get(), read.bytes.data() + got,
                      static_cast<DWORD>(read.bytes.size() - got), &count, nullptr))
            return Refused("it cannot be read: " + SystemErrorText(GetLastError()));
        if (count == 0) break;
        got += count;
    }
    if (got > kLargestSettingsFile) return Refused(TooLargeForSettings(got));
    read.bytes.resize(got);
    return read;
}

std::string WhyNotWritable(const std::filesystem::path& file) {
    const Handle handle(CreateFileW(file.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE) return SystemErrorText(GetLastError());
    return UnfitHandle(handle.get());
}

}  // namespace kvd
