// DeviceSearchIP: finds the cameras on the PC's own /24 subnets without any
// announcement from them. A scan sends the attribute request to every host of
// each subnet; a host whose reply carries "softversion" is a camera, and it is
// reported online once its work mode reads "wireless". Between scans the
// cameras found are re-checked, so that a camera that stops answering or
// leaves its wireless mode is reported offline and a waiting one online.
//
// Threads:
// - the singleton is created on the main thread by Network's constructor and
//   moved to the scan thread, where onRun, the scan and re-check steps and
//   the reply slots run; the access manager is created in onRun and lives on
//   that thread;
// - startSearch, resetSearch, reportOnline and markOffline are called on the
//   main thread and only record state: the scan thread sends the requests;
// - setStop is called from any thread.
// m_lock guards every member declared after it. Signals are emitted after the
// lock is released, so a directly connected receiver may call back in.
#pragma once

#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QMutex;
class QNetworkAccessManager;
class QNetworkReply;

// The hosts one scan probes: hosts 0 to 254 of the /24 subnet of each local
// address, subnets in the order the interfaces list them (two addresses in one
// subnet probe it twice). They are handed out a batch at a time, so that the
// scan can keep the number of its probes in flight, and of its sockets, within
// a bound. Used under DeviceSearchIP's lock.
class SubnetSweep {
public:
    // Host 255 is the broadcast address of a /24 and is never probed.
    static constexpr int hostsPerSubnet = 255;

    struct Batch {
        QStringList hosts; // addresses, in subnet and host order
        // The prefix ("192.168.1.") of each subnet whose first host is in hosts.
        QStringList startedSubnets;
    };

    void restart(const QStringList &addresses);
    // The next hosts, at most count of them; empty once every host is taken.
    Batch takeNextHosts(qsizetype count);
    bool isDone() const { return m_subnet >= m_addresses.size(); }

private:
    QStringList m_addresses;
    qsizetype m_subnet = 0;
    int m_host = 0;
};

class DeviceSearchIP : public QObject {
    Q_OBJECT
public:
    static DeviceSearchIP *getInstance();
    ~DeviceSearchIP() override;

    // Main thread.
    // False when refused: the scan thread has not made its access manager yet.
    bool startSearch();
    void resetSearch();
    void reportOnline(const QString &uID, const QString &ip);
    void markOffline(const QString &uID, const QString &ip);

    // Any thread; onRun returns at the end of its pass.
    void setStop();

signals:
    void sigDeviceOnline(QString uID, QString ip);
    void sigDeviceOffline(QString uID);
    void sigFinish(bool state);

public slots:
    void onRun();
    void onGetCameraModeReply();
    void onGetDeviceInfoReply();

private:
    DeviceSearchIP();

    void scanStep();
    void recheckStep();
    bool stopRequested();
    void waitMs(int ms);

    // Expect m_lock held.
    // keepConnection false closes the connection, and frees its socket, as
    // soon as the reply ends.
    QNetworkReply *getLocked(const QString &ip, const QString &path, int timeoutMs,
                             bool keepConnection = true);
    // The mode check's reply, or null when it could not be sent.
    QNetworkReply *checkModeLocked(const QString &ip, int timeoutMs);

    QNetworkAccessManager *m_manager = nullptr; // scan thread; set under m_lock
    QMutex *m_lock = nullptr;
    SubnetSweep m_sweep;
    // The running scan's probes and mode checks still without a reply. Replies
    // to re-checks, and to an earlier scan, never count against it.
    QSet<QNetworkReply *> m_scanReplies;
    QMap<QNetworkReply *, QString> m_modeReplies;      // reply -> camera IP
    QMap<QNetworkReply *, QString> m_attributeReplies; // reply -> camera IP
    QMap<QString, QString> m_onlineDevices;            // IP -> uID
    QMap<QString, QString> m_candidateDevices;         // IP -> uID
    // The running scan's probes that failed for want of a socket, and why.
    int m_probesWithoutSocket = 0;
    QString m_noSocketReason;
    bool m_searching = false;
    bool m_finished = false;
    bool m_found = false;
    bool m_stop = false;
};
