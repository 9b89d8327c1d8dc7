// LOG: the program's one diagnostic sink. Every qDebug/qWarning/... of every
// thread lands in LOG::messageHandler, which stamps it and appends it to the
// run's file under <config root>/log/<yyyyMMdd>/.
//
// Threads: init() runs once on the GUI thread before any other diagnostic;
// messageHandler is entered from any thread. One mutex (inside log.cpp)
// serialises the rollover decision, the daily budget and the append, so lines
// never interleave. Control characters in a message are written as \xNN, so a
// line is always one line of text.
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
    // Across the day's files: past it one line says so and the rest of the day is dropped, so
    // a flood from the network cannot fill the disk.
    static constexpr qint64 dailyBudget = 50 * 1024 * 1024;
};
