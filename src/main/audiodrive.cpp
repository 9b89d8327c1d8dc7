#include "main/audiodrive.h"

#include "log/logline.h"
#include "platform/audiobridgefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

AudioDrive::AudioDrive(QObject *parent)
    : AudioDrive(QCoreApplication::applicationDirPath() + QStringLiteral("/camera_x64"), parent) {}

AudioDrive::AudioDrive(const QString &folder, QObject *parent)
    : QObject(parent), m_libraries(audioBridgeDependencies()) {
    load(folder);
}

// QLibrary never unloads on destruction, so the handles may go out of scope.
void AudioDrive::load(const QString &folder) {
    const QString prefix = QDir::toNativeSeparators(folder + QLatin1Char('/'));
    for (const QString &name : m_libraries) {
        QLibrary library(prefix + name);
        if (!library.load())
            LOG_ERROR << name << " load dll library faild: " << library.errorString();
    }
    QLibrary bridge(prefix + audioBridgeFileName());
    if (!bridge.load()) {
        LOG_ERROR << "dll load faild   " << bridge.errorString();
        return;
    }
    m_start = reinterpret_cast<Entry>(bridge.resolve("KestraMIC_Start"));
    m_stop = reinterpret_cast<Entry>(bridge.resolve("KestraMIC_Stop"));
    if (!m_start || !m_stop)
        LOG_ERROR << "func is not find!";
}

void AudioDrive::start() {
    if (!m_start)
        return;
    m_start();
    LOG_NOTE << "audio start!";
}

void AudioDrive::stop() {
    if (!m_stop)
        return;
    m_stop();
    LOG_NOTE << "audio stop!";
}
