// What every QtTest binary of the desktop program shares: the user's language for one test,
// and private user folders, so that neither Qt nor the program touches the real user's
// configuration or runtime folder.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "shell/shell.h"

namespace kvd::test {

class LanguageScope {
  public:
    explicit LanguageScope(uint16_t langId) : previous_(g_userLangId) { g_userLangId = langId; }
    ~LanguageScope() { g_userLangId = previous_; }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

  private:
    uint16_t previous_;
};

// XDG_CONFIG_HOME and XDG_RUNTIME_DIR in a temporary folder for as long as it lives.
class PrivateUserFolders {
  public:
    PrivateUserFolders() {
        const QString config = folder_.filePath("config");
        const QString runtime = folder_.filePath("runtime");
        QDir().mkpath(config);
        QDir().mkpath(runtime);
        // A runtime folder must be private to its user, or Qt and the lock refuse it.
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }
    QString Runtime() const { return folder_.filePath("runtime"); }

  private:
    QTemporaryDir folder_;
};

// For a test class's static initMain(), which runs before QApplication is made.
inline void UsePrivateUserFolders() { static PrivateUserFolders folders; }

}  // namespace kvd::test
