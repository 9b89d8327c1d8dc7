#include "log/log.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <QTime>

namespace {

struct LogState {
    QMutex mutex;
    QString folder; // day folder of the run's start, fixed at init
    QString file;   // file written now; replaced on rollover
    qint16 runIndex = 0;
    int continuation = 0; // rollovers taken by this run
};

LogState &state() {
    static LogState s;
    return s;
}

QString levelTag(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return QStringLiteral("[Info]");
    case QtWarningMsg:
        return QStringLiteral("[Warning]");
    case QtCriticalMsg:
    case QtFatalMsg:
        return QStringLiteral("[Error]");
    }
    return {};
}

QString today() {
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

// "<folder>/<date>_<NNN>" without the extension; built by concatenation so a
// '%' in the user's path is never taken for a placeholder.
QString runFileStem(const QString &folder, const QString &date, qint16 runIndex) {
    return folder + QLatin1Char('/') + date + QLatin1Char('_') +
           QStringLiteral("%1").arg(runIndex, 3, 10, QLatin1Char('0'));
}

// A continuation file carries the run index and a sequence number, so it can
// never be the file being left nor any earlier continuation of this run.
QString nextContinuationFile(LogState &s) {
    QString candidate;
    do {
        ++s.continuation;
        candidate = runFileStem(s.folder, today(), s.runIndex) + QLatin1Char('_') +
                    QString::number(s.continuation) + QStringLiteral(".log");
    } while (QFileInfo::exists(candidate));
    return candidate;
}

} // namespace

void LOG::init() {
    Q_ASSERT(QCoreApplication::instance() &&
             QThread::currentThread() == QCoreApplication::instance()->thread());
    const QString root = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString date = today();

    LogState &s = state();
    {
        QMutexLocker lock(&s.mutex);
        s.folder = root + QStringLiteral("/log/") + date;
        // mkpath: on a fresh account not even the parent of <config root> exists.
        QDir().mkpath(s.folder);
        s.runIndex = static_cast<qint16>(
            QDir(s.folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted).size());
        s.file = runFileStem(s.folder, date, s.runIndex) + QStringLiteral(".log");
        s.continuation = 0;
    }
    qInstallMessageHandler(LOG::messageHandler);
}

QString LOG::currentFile() {
    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.file;
}

void LOG::messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message) {
    const QString line = QStringLiteral("%0%1::%2")
                             .arg(QTime::currentTime().toString(QStringLiteral("[hh:mm:ss.z]")),
                                  levelTag(type), message);

    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    if (QFileInfo(s.file).size() >= rolloverSize)
        s.file = nextContinuationFile(s);

    QFile file(s.file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // nowhere left to report to
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << line << "\r\n";
    out.flush();
}
