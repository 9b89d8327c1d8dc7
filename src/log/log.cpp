#include "log/log.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QThread>
#include <QTime>

#include <algorithm>

namespace {

struct LogState {
    QMutex mutex;
    QString folder; // day folder of the run's start, fixed at init
    QString file;   // file written now; replaced on rollover
    qint16 runIndex = 0;
    int continuation = 0; // rollovers taken by this run
    QString budgetDay;    // the day writtenToday counts for
    qint64 writtenToday = 0;
    bool budgetSpent = false; // the line saying so is written; others are dropped
    // Kept open, so that a process short of descriptors still logs; reopened on rollover.
    QFile out;
    qint64 lostLines = 0; // could not be written since the last line that was
    QString lostBecause;
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

// Control characters would break a line in two (a forged line) or make the file binary, and
// lines carry text from the network: each becomes a visible \xNN.
QString withControlsEscaped(const QString &message) {
    const auto isControl = [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    };
    if (std::none_of(message.begin(), message.end(), isControl))
        return message;
    QString escaped;
    escaped.reserve(message.size() + 16);
    for (const QChar c : message) {
        if (isControl(c))
            escaped += QString::asprintf("\\x%02X", static_cast<unsigned>(c.unicode()));
        else
            escaped += c;
    }
    return escaped;
}

qint64 folderBytes(const QString &folder) {
    qint64 total = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
        total += file.size();
    return total;
}

// The file to append to, opened when the run's file changed; null when it cannot be opened.
QFile *openFile(LogState &s) {
    if (s.out.isOpen() && s.out.fileName() == s.file)
        return &s.out;
    s.out.close();
    s.out.setFileName(s.file);
    if (!s.out.open(QIODevice::WriteOnly | QIODevice::Append)) {
        s.lostBecause = s.out.errorString();
        return nullptr;
    }
    return &s.out;
}

void writeLine(QFile &file, const QByteArray &line) {
    file.write(line + "\r\n");
    file.flush(); // a crash must not take the last lines with it
}

// Lines that find no file are counted, and the first line written again says how many were
// lost and why.
void appendLine(LogState &s, const QString &stamp, const QByteArray &line) {
    QFile *file = openFile(s);
    if (!file) {
        ++s.lostLines;
        return;
    }
    if (s.lostLines > 0) {
        writeLine(*file, QStringLiteral("%0[Error]::%1 log lines were lost: the log file could "
                                        "not be opened (%2)")
                             .arg(stamp)
                             .arg(s.lostLines)
                             .arg(s.lostBecause)
                             .toUtf8());
        s.lostLines = 0;
    }
    writeLine(*file, line);
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
        s.out.close(); // the next line opens this run's file
        // Earlier runs of the day spent from the same budget.
        s.budgetDay = date;
        s.writtenToday = folderBytes(s.folder);
        s.budgetSpent = false;
    }
    qInstallMessageHandler(LOG::messageHandler);
}

QString LOG::currentFile() {
    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.file;
}

void LOG::messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message) {
    const QString stamp = QTime::currentTime().toString(QStringLiteral("[hh:mm:ss.z]"));
    const QString line =
        QStringLiteral("%0%1::%2").arg(stamp, levelTag(type), withControlsEscaped(message));

    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    const QString day = today();
    if (day != s.budgetDay) {
        s.budgetDay = day;
        s.writtenToday = 0;
        s.budgetSpent = false;
    }
    if (s.budgetSpent)
        return;
    // Opening first lets the size come from the open file (fstat), not another lookup by name.
    if (QFile *file = openFile(s); file && file->size() >= rolloverSize)
        s.file = nextContinuationFile(s);
    const QByteArray encoded = line.toUtf8();
    const qint64 bytes = encoded.size() + 2;
    if (s.writtenToday + bytes > dailyBudget) {
        // Said once; what follows today is dropped, and nothing already written is touched.
        s.budgetSpent = true;
        appendLine(s, stamp,
                   QStringLiteral("%0[Error]::the log's budget of %1 MB for %2 is used "
                                  "up: further lines are dropped until tomorrow")
                       .arg(stamp)
                       .arg(dailyBudget / (1024 * 1024))
                       .arg(day)
                       .toUtf8());
        return;
    }
    s.writtenToday += bytes;
    appendLine(s, stamp, encoded);
}
