#include "support/kestraliverig.h"

#include "support/storedsignin.h"

#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTest>

bool KestraLiveRig::setUpRig(const QString &account) {
    if (!m_display.start(QStringLiteral("1280x800")) ||
        !cloud.start({QStringLiteral("--account"), account}))
        return false;
    const CloudSim::Tokens tokens = cloud.issueTokens(account);
    return storeSignIn(tokens.access, tokens.refresh, root.configRoot());
}

void KestraLiveRig::returningUser(int workMode, const QString &camera, const QString &ip) const {
    const QString ini = root.configRoot() + QStringLiteral("/ini/");
    QSettings(ini + QStringLiteral("config.ini"), QSettings::IniFormat)
        .setValue(QStringLiteral("config/workMode"), workMode);
    QSettings devices(ini + QStringLiteral("device.ini"), QSettings::IniFormat);
    devices.setValue(camera + QStringLiteral("/ip"), ip);
    devices.setValue(camera + QStringLiteral("/name"), QStringLiteral("Studio"));
    devices.setValue(QStringLiteral("VirtualCamera/cam1"), camera);
}

QProcessEnvironment KestraLiveRig::environment() const {
    QProcessEnvironment env = root.environment();
    env.insert(QStringLiteral("DISPLAY"), m_display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("KESTRA_CLOUD_HOST"), cloud.host());
    env.insert(QStringLiteral("KESTRA_DSHOW_REGISTRY"), registry.path());
    return env;
}

QString KestraLiveRig::logText() const {
    QString text;
    QDirIterator it(root.configRoot() + QStringLiteral("/log"), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}

qint64 KestraLiveRig::logBytes() const {
    qint64 bytes = 0;
    QDirIterator it(root.configRoot() + QStringLiteral("/log"), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        bytes += it.nextFileInfo().size();
    return bytes;
}

bool KestraLiveRig::waitForLog(const QString &text, int timeoutMs, int count) const {
    return QTest::qWaitFor([&] { return logText().count(text) >= count; }, timeoutMs);
}
