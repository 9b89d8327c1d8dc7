// LOG: the program's one diagnostic sink. Every qDebug/qWarning/... of every
// thread lands in LOG::messageHandler, which stamps it and appends it to the
// run's file under <config root>/log/<yyyyMMdd>/.
//
// Threads: init() runs once on the GUI thread before any other diagnostic;
// messageHandler is entered from any thread. One mutex (inside log.cpp)
// serialises the rollover decision and the append, so lines never interleave.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class LOG : public QObject {
    Q_OBJECT
public:
    // Creates the folders, picks this run's file and installs the handler.
    static void init();
    static void messageHandler(QtMsgType type, const QMessageLogContext &context,
                               const QString &message);

    // The file currently written; changes only on rollover.
    static QString currentFile();

    static constexpr qint64 rolloverSize = 10 * 1024 * 1024;
};
