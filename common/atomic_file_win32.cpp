#include <windows.h>

#include <algorithm>

#include "common/atomic_file.h"
#include "common/path_text.h"
#include "common/system_text.h"

namespace kvd {

const std::size_t kMaxLocalPathLength = MAX_PATH - 1;

namespace {

std::string Describe(const char* what, const std::filesystem::path& path, DWORD code) {
    return std::string(what) + " " + PathToUtf8(path) + ": " + SystemErrorText(code);
}

std::filesystem::path TempNameFor(const std::filesystem::path& finalPath) {
    return finalPath.parent_path() / TemporaryFileName(GetCurrentProcessId());
}

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool ProcessMayBeRunning(unsigned long processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    // No such process is the one answer that says it has ended; access denied says it runs.
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD exitCode = 0;
    const bool running = !GetExitCodeProcess(process, &exitCode) || exitCode == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::filesystem::path& finalPath, std::string& error) {
    Discard();
    finalPath_ = finalPath;
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath_ = TempNameFor(finalPath);
        HANDLE file = CreateFileW(tempPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<intptr_t>(file);
            return true;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS) {
            error = Describe("cannot create", tempPath_, code);
            tempPath_.clear();
            return false;
        }
    }
    error = "cannot create a temporary file beside " + PathToUtf8(finalPath);
    tempPath_.clear();
    return false;
}

bool AtomicFile::Write(std::span<const uint8_t> bytes, std::string& error) {
    if (handle_ == -1) {
        error = "write to a file that is not open";
        return false;
    }
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), bytes.data(), chunk, &written, nullptr)) {
            error = Describe("cannot write", tempPath_, GetLastError());
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

bool AtomicFile::FlushAndClose(std::string& error) {
    if (handle_ == -1) {
        error = "commit of a file that is not open";
        return false;
    }
    HANDLE file = AsHandle(handle_);
    handle_ = -1;
    if (!FlushFileBuffers(file)) {
        error = Describe("cannot flush", tempPath_, GetLastError());
        ::CloseHandle(file);
        Discard();
        return false;
    }
    ::CloseHandle(file);
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    // After CommitNew found the name taken the file is on the disk already.
    const bool flushed = handle_ == -1 && !tempPath_.empty();
    if (!flushed && !FlushAndClose(error)) return false;
    if (!MoveFileExW(tempPath_.c_str(), finalPath_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = Describe("cannot rename over", finalPath_, GetLastError());
        Discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

CommitOutcome AtomicFile::CommitNew(std::string& error) {
    if (!FlushAndClose(error)) return CommitOutcome::Failed;
    // Without MOVEFILE_REPLACE_EXISTING the system creates the name or finds it taken at once.
    if (!MoveFileExW(tempPath_.c_str(), finalPath_.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
            return CommitOutcome::NameTaken;
        error = Describe("cannot create", finalPath_, code);
        Discard();
        return CommitOutcome::Failed;
    }
    tempPath_.clear();
    return CommitOutcome::Committed;
}

void AtomicFile::CloseHandle() {
    if (handle_ != -1) {
        ::CloseHandle(AsHandle(handle_));
        handle_ = -1;
    }
}

void AtomicFile::Discard() {
    CloseHandle();
    if (!tempPath_.empty()) {
        DeleteFileW(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace kvd
