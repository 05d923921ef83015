#include "shell/single_instance.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>

namespace kvd {

SingleInstance::SingleInstance(const QString& folder) {
    const QString place = folder.isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                              : folder;
    m_strPath = QDir(place).filePath(QString::fromLatin1(kName));
    m_lock = std::make_unique<QLockFile>(m_strPath);
    // Only a live process holds the lock, however long it has been running.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::Acquire() {
    if (m_lock->isLocked() || m_lock->tryLock(0)) return true;
    if (m_lock->error() == QLockFile::LockFailedError) return false;
    std::fprintf(stderr, "kvd2730: cannot take the single-instance lock %s; running without it\n",
                 qPrintable(QDir::toNativeSeparators(m_strPath)));
    return true;
}

}  // namespace kvd
