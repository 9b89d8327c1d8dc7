// TempConfigRoot gives a test a private per-user world: a temporary folder
// holding HOME, XDG_CONFIG_HOME and a 0700 XDG_RUNTIME_DIR, set in this
// process's environment for the object's lifetime and handed to child
// processes through environment(). Created and destroyed on the test's thread;
// other threads must not read those variables meanwhile. The previous values
// come back in the destructor.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

class TempConfigRoot {
public:
    enum class Account {
        Prepared, // the configuration folder exists
        Fresh,    // an empty home without ".config"; XDG_CONFIG_HOME unset
    };

    explicit TempConfigRoot(Account account = Account::Prepared);
    ~TempConfigRoot();
    TempConfigRoot(const TempConfigRoot &) = delete;
    TempConfigRoot &operator=(const TempConfigRoot &) = delete;

    bool isValid() const { return m_valid; }

    QString home() const { return path(QStringLiteral("home")); }
    QString configHome() const;
    QString runtimeDir() const { return path(QStringLiteral("runtime")); }
    // The program's per-user folder, as KestraLive resolves it.
    QString configRoot() const { return configHome() + QStringLiteral("/KestraLive"); }
    // This process's application config folder under the temporary
    // environment (tests run under their own application name).
    QString appConfigLocation() const;
    // The system environment with HOME and the two XDG folders replaced.
    QProcessEnvironment environment() const;
    // relative to the temporary folder
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private:
    struct Saved {
        const char *name;
        bool wasSet;
        QByteArray value;
    };

    QTemporaryDir m_dir;
    Saved m_saved[3];
    Account m_account;
    bool m_valid = false;
};
