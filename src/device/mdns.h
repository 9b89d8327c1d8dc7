// mDNS: the cameras' own announcements as the second discovery source beside
// the LAN scan. It asks for "_lc01._tcp.local." on every usable IPv4
// interface, reports a camera once when it first answers (sigMdnsAdd) and once
// when it has stopped answering for 41 cycles (sigMdnsRemove). One cycle is a
// query step (a query every 11th cycle), an ageing step and a wait in which
// answers are read, so an entry's life is counted in cycles, not clock time.
//
// Threads:
// - created on the main thread as a plain object without parent and moved to
//   its own thread, where onRun, onReceiveMsg and the socket live; the
//   signals are emitted there, after the lock is released, and reach the
//   registry through queued connections;
// - stop, queryNow, removeEntry and getEntry are called on the main thread.
// m_lock guards every member declared after it.
#pragma once

#include <QMap>
#include <QMutex>
#include <QNetworkInterface>
#include <QObject>
#include <QString>
#include <QStringList>

class QUdpSocket;

namespace MdnsCodec {
class Message;
}

struct MdnsEntry {
    QString uID;
    QString ip;
    quint16 ttl = 0; // cycles left before the camera is dropped
};

class mDNS : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultCycleWaitMs = 200;
    static constexpr quint16 entryTtl = 40;
    static constexpr qint8 queryEvery = 11; // cycles
    static const QString serviceName;

    // cycleWaitMs: the wait that ends each cycle; tests shorten it.
    explicit mDNS(int cycleWaitMs = defaultCycleWaitMs);
    // On its own thread once that ends; waits out a main-thread call still in progress.
    ~mDNS() override;

    // The loop ends at its next check.
    void stop();
    // The next cycle sends a query.
    void queryNow();
    // Forgets the camera without a signal, so that its next answer reports it
    // as new.
    void removeEntry(const QString &uID);
    // A copy of the entry; empty texts and ttl 0 when the camera is unknown.
    MdnsEntry getEntry(const QString &uID);

    // The camera a response announces: the first label of the target of its
    // first PTR record named exactly serviceName. Empty when message is not a
    // response or has no such record.
    static QString uidFromResponse(const MdnsCodec::Message &message);

signals:
    void sigMdnsAdd(QString uID, QString ip);
    void sigMdnsRemove(QString uID);

public slots:
    void onRun();
    void onReceiveMsg();

private:
    bool start();
    void queryStep();
    void ageingStep();
    bool stopRequested();
    void waitCycle();

    // Expect m_lock held.
    void joinLocked(const QString &key, const QNetworkInterface &iface);
    void leaveLocked(const QString &key);

    const int m_cycleWaitMs;
    QUdpSocket *m_socket = nullptr; // discovery thread; child, made by onRun

    QMutex m_lock;
    QMap<QString, QNetworkInterface> m_joined; // by hardware address, or index
    QMap<QString, QStringList> m_joinedAddresses;
    QMap<QString, MdnsEntry> m_entries; // by uID
    qint8 m_queryCountdown = 0;
    bool m_stop = false;
};
