#include "support/logcapture.h"

#include <QMutex>
#include <QTest>

namespace {
QMutex logMutex;
QStringList logLines;
} // namespace

LogCapture::LogCapture() {
    clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        QMutexLocker lock(&logMutex);
        logLines << text;
    });
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(nullptr);
}

QStringList LogCapture::lines() const {
    QMutexLocker lock(&logMutex);
    return logLines;
}

bool LogCapture::contains(const QString &text) const {
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(),
                       [&](const QString &line) { return line.contains(text); });
}

bool LogCapture::hasError(const QString &text) const {
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(), [&](const QString &line) {
        return line.contains(QLatin1String("]:[Error]")) && line.contains(text);
    });
}

bool LogCapture::waitFor(const QString &text, int timeoutMs) const {
    return QTest::qWaitFor([&] { return contains(text); }, timeoutMs);
}

void LogCapture::clear() {
    QMutexLocker lock(&logMutex);
    logLines.clear();
}
