#include "tempconfigroot.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

constexpr const char *kHome = "HOME";
constexpr const char *kConfigHome = "XDG_CONFIG_HOME";
constexpr const char *kRuntimeDir = "XDG_RUNTIME_DIR";

} // namespace

TempConfigRoot::TempConfigRoot(Account account)
    : m_saved{{kHome, qEnvironmentVariableIsSet(kHome), qgetenv(kHome)},
              {kConfigHome, qEnvironmentVariableIsSet(kConfigHome), qgetenv(kConfigHome)},
              {kRuntimeDir, qEnvironmentVariableIsSet(kRuntimeDir), qgetenv(kRuntimeDir)}},
      m_account(account) {
    if (!m_dir.isValid())
        return;
    QDir root(m_dir.path());
    if (!root.mkpath(QStringLiteral("home")) || !root.mkpath(QStringLiteral("runtime")))
        return;
    if (account == Account::Prepared && !root.mkpath(QStringLiteral("config")))
        return;
    // Qt and the filter both refuse a runtime folder that others can enter.
    if (!QFile::setPermissions(runtimeDir(),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return;

    qputenv(kHome, QFile::encodeName(home()));
    if (account == Account::Prepared)
        qputenv(kConfigHome, QFile::encodeName(configHome()));
    else
        qunsetenv(kConfigHome);
    qputenv(kRuntimeDir, QFile::encodeName(runtimeDir()));
    m_valid = true;
}

TempConfigRoot::~TempConfigRoot() {
    for (const Saved &saved : m_saved) {
        if (saved.wasSet)
            qputenv(saved.name, saved.value);
        else
            qunsetenv(saved.name);
    }
}

QString TempConfigRoot::configHome() const {
    return m_account == Account::Prepared ? path(QStringLiteral("config"))
                                          : home() + QStringLiteral("/.config");
}

QString TempConfigRoot::appConfigLocation() const {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QProcessEnvironment TempConfigRoot::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kHome), home());
    if (m_account == Account::Prepared)
        env.insert(QString::fromLatin1(kConfigHome), configHome());
    else
        env.remove(QString::fromLatin1(kConfigHome));
    env.insert(QString::fromLatin1(kRuntimeDir), runtimeDir());
    return env;
}
