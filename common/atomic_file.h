// A file that appears under its final name complete or not at all: the bytes go to a
// temporary file in the same folder, which takes the final name only on Commit() or
// CommitNew().
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "common/byte_sink.h"

namespace kvd {

// How CommitNew ended.
enum class CommitOutcome {
    Committed,  // the file holds the final name
    NameTaken,  // something already held the name; the temporary file is still there
    Failed,     // error says why; nothing holds the name on our behalf
};

class AtomicFile final : public ByteSink {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() override;  // an uncommitted file is removed

    // Creates the temporary file beside finalPath; false with the cause in error.
    bool Open(const std::filesystem::path& finalPath, std::string& error);
    bool Write(std::span<const uint8_t> bytes, std::string& error) override;
    // Flushes to disk and renames over the final name; also after CommitNew found it taken.
    bool Commit(std::string& error);
    // Flushes to disk and gives the file the final name only where nothing holds it: a file,
    // a folder or a link, dangling or not, is never replaced, whatever another process does
    // at the same moment. On NameTaken the complete temporary file stays (TempPath()) for the
    // caller to compare until Discard() or the destructor.
    CommitOutcome CommitNew(std::string& error);
    // Removes the temporary file; nothing reaches the final name.
    void Discard();

    const std::filesystem::path& TempPath() const { return tempPath_; }

  private:
    void CloseHandle();
    // Data on the disk before any name points at it; closes the handle. false: discarded.
    bool FlushAndClose(std::string& error);

    std::filesystem::path finalPath_;
    std::filesystem::path tempPath_;
    intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
    uint64_t written_ = 0;
    uint64_t writtenBack_ = 0;  // bytes already handed to the disk before Commit
};

// Longest local path the platform's file calls take: 259 on Windows (without the long-path
// prefix), PATH_MAX less its terminator on POSIX.
extern const std::size_t kMaxLocalPathLength;

// The name of a temporary file of this process: hidden, unique within the process, unlikely
// elsewhere, and short whatever the final name, so that a final name near the file system's
// limit still has a temporary name that fits. The platform halves add the folder.
std::string TemporaryFileName(unsigned long processId);

// Removes the temporary files that processes of ours which have ended left in folder (a
// second Ctrl-C, a kill, a crash, a power cut) and that nothing has written to for ten
// minutes. A file whose process may still run, one changed lately, or one whose name is not
// ours stays. Returns how many were removed.
int RemoveLeftoverTemporaryFiles(const std::filesystem::path& folder);

// Whether the process may still run: false only when the system says there is no such process.
bool ProcessMayBeRunning(unsigned long processId);

// Writes a whole file that way; on failure nothing is left behind and error says why.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string& error);

// The same, by CommitNew: a target already there is left as it is, and so is no other file.
CommitOutcome WriteNewFileAtomically(const std::filesystem::path& target,
                                     std::span<const uint8_t> bytes, std::string& error);

}  // namespace kvd
