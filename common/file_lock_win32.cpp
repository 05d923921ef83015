#include <windows.h>

#include "common/file_lock.h"
#include "common/path_text.h"
#include "common/system_text.h"

namespace kvd {

FileLock::~FileLock() {
    if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));  // releases the lock
}

bool FileLock::Acquire(const std::filesystem::path& path, std::string& error) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open " + PathToUtf8(path) + ": " + SystemErrorText(GetLastError());
        return false;
    }
    OVERLAPPED whole = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = "cannot lock " + PathToUtf8(path) + ": " + SystemErrorText(GetLastError());
        ::CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

}  // namespace kvd
