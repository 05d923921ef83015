// One running copy of the program per user: a lock file named "KVD2730" in the user's
// runtime folder, held by the first copy for its whole life. A copy that crashed leaves a
// lock that the next start recognises as stale by its process id.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kvd {

class SingleInstance {
  public:
    static constexpr const char* kName = "KVD2730";

    // `folder`: where the lock lives; empty for the user's runtime folder.
    explicit SingleInstance(const QString& folder = {});

    // False only when another live copy holds the lock. When the lock cannot be taken for
    // another reason (no runtime folder, no space), this copy runs without one.
    bool Acquire();
    QString LockPath() const { return m_strPath; }

  private:
    QString m_strPath;
    std::unique_ptr<QLockFile> m_lock;
};

}  // namespace kvd
