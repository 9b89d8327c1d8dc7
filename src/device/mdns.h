// mDNS: the cameras' own announcements as the second discovery source beside
// the LAN scan. It asks for "_lc01._tcp.local." on every usable IPv4
// interface, reports a camera once when it first answers (sigMdnsAdd) and once
// when it has stopped answering for 41 cycles (sigMdnsRemove). One cycle is a
// query step (a query every 11th cycle), an ageing step and a wait in which
// answers are read, so an entry's life is counted in cycles, not clock time.
// The cameras that answered again are reported in the ageing step
// (sigMdnsSeen), so the registry knows which it has heard from lately.
//
// Anyone on the LAN can answer, so what answers can do is bounded. Each sender
// address gets maxAnswersPerSender answers a second (a camera answers each
// query once, and a program asks every 11 cycles, so even several programs
// asking stay far below it); the rest are dropped and summed up in at most a
// few log lines a second. The table holds at most maxEntries cameras: a new
// one beyond that pushes out the one unheard the longest, reported through
// sigMdnsRemove like a camera that fell silent.
//
// Threads:
// - created on the main thread as a plain object without parent and moved to
//   its own thread, where onRun, onReceiveMsg and the socket live; the
//   signals are emitted there, after the lock is released, and reach the
//   registry through queued connections;
// - stop, queryNow, removeEntry and getEntry are called on the main thread.
// The per-sender counts are the discovery thread's alone; m_lock guards every
// member declared after it.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QNetworkInterface>
#include <QObject>
#include <QSet>
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
    // Answers from one address that may reach the table in a second.
    static constexpr int maxAnswersPerSender = 10;
    // Addresses counted in one second; answers from any further one are dropped.
    static constexpr int maxSenders = 256;
    // Drop lines naming one sender each second; the rest are summed up in one.
    static constexpr int maxDropLines = 4;
    // Cameras in the table: the registry's bound on new cameras with room for
    // the connected ones beside them.
    static constexpr int maxEntries = 512;
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
    // Known cameras that answered again since the last report.
    void sigMdnsSeen(QStringList uIDs);

public slots:
    void onRun();
    void onReceiveMsg();

private:
    bool start();
    void queryStep();
    void ageingStep();
    bool stopRequested();
    void waitCycle();

    // Counts an answer from sender against its second; false when it is
    // over the limit and dropped.
    bool admitAnswer(quint32 sender);
    // Once a second is over: logs what it dropped and forgets its counts.
    void endSecondIfOver();

    // Expect m_lock held.
    void joinLocked(const QString &key, const QNetworkInterface &iface);
    void leaveLocked(const QString &key);
    // Drops the entry unheard the longest and returns its uID.
    QString forgetUnheardLocked();

    struct SenderCount {
        int accepted = 0;
        qint64 dropped = 0;
    };

    const int m_cycleWaitMs;
    QUdpSocket *m_socket = nullptr; // discovery thread; child, made by onRun
    // Discovery thread: the current second's counts.
    QElapsedTimer m_second;
    QHash<quint32, SenderCount> m_senders; // by IPv4 address
    qint64 m_droppedUncounted = 0;         // from addresses beyond maxSenders
    qint64 m_forgotten = 0;                // entries pushed out of a full table

    QMutex m_lock;
    QMap<QString, QNetworkInterface> m_joined; // by hardware address, or index
    QMap<QString, QStringList> m_joinedAddresses;
    QMap<QString, MdnsEntry> m_entries; // by uID
    QSet<QString> m_heard;              // answered again since the last sigMdnsSeen
    qint8 m_queryCountdown = 0;
    bool m_stop = false;
};
