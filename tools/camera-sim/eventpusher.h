// EventPusher is the camera's event connection: once a PC has registered its
// address, the camera connects to it (retrying every second while the PC does
// not listen, and again after the connection drops) and writes one event
// record per setting change. The fault switches decide how records reach the
// wire: withheld, split over two writes, or paired into one write. Events that
// find no connection are dropped, as a camera would. Created and used on the
// main thread.
#pragma once

#include "cameraevent.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QTcpSocket;

class EventPusher : public QObject {
    Q_OBJECT
public:
    // port: where the PC listens; source: the address to connect from (the
    // camera's own address; "any" lets the system choose).
    EventPusher(quint16 port, const QHostAddress &source, QObject *parent = nullptr);

    // Connects to pc unless a connection to it is already up or being made.
    void registerPc(const QHostAddress &pc);

    void push(const CameraEvent &event);
    // Writes bytes unchanged in one write, bypassing every fault switch.
    void pushRaw(const QByteArray &bytes);

    // arg1 names whose events are not pushed; "all" withholds every event.
    void withhold(const QString &arg1);
    void withholdNone();
    void setSplit(bool split, int gapMs);
    // Turning pairing off sends a record still held.
    void setPaired(bool paired);

private:
    bool isWithheld(const QString &arg1) const;
    bool isUp() const;
    void connectNow();
    void onConnected(QTcpSocket *socket);
    // Forgets socket and retries in a second; report says why on stdout.
    void lost(QTcpSocket *socket, bool report = true);
    // Queues one record (or pair) for writing, split when asked.
    void send(const QByteArray &bytes);
    void drain();

    struct Chunk {
        QByteArray bytes;
        bool gapAfter = false;
    };

    const quint16 m_port;
    const QHostAddress m_source;
    QHostAddress m_pc;
    QTcpSocket *m_socket = nullptr; // child; null while no connection is up or being made
    bool m_up = false;
    QTimer m_retry;
    QTimer m_connectDeadline;
    QTimer m_splitGap;
    QList<Chunk> m_queue;

    QSet<QString> m_withheld;
    bool m_withholdAll = false;
    bool m_split = false;
    bool m_paired = false;
    QByteArray m_held;
};
