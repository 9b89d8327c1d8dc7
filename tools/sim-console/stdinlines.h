// StdinLines reads a simulator's control input: one signal per line of
// stdin, then finished() at end of input (a last unterminated line still
// counts), so a driver that dies takes its simulator with it. Main thread only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

class StdinLines : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reading stdin.
    void start();

signals:
    void line(const QString &text);
    void finished();

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_buffer;
};
