// DeviceListenTCP: the server on TCP port 9002 to which registered cameras push
// their event records, e.g.
//   {"eventid":"STATEMNG_SETTING","arg1":"MEDIAMODE","arg2":"NORM_REC","result":"SUCCESS","payload":"1080P30"}
// Each complete record becomes one FeedbackInfo_t on sigFeedbackInfo.
//
// Anyone on the LAN can connect, so what a peer can cost is bounded: connections from
// addresses that are not cameras (when a camera check is set) are closed at once, at most
// maxConnections are kept (the longest idle goes first), each read takes at most
// readChunkBytes, and error lines about a peer's input are rate-limited.
//
// Threads: created by Network::onRun on the engine's worker thread; it and its
// sockets live and run there. No locks: all state is touched on that thread.
#pragma once

#include "device/peerloglimit.h"

#include <functional>
#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

class DeviceListenTCP : public QObject {
    Q_OBJECT
public:
    struct FeedbackInfo_t {
        QString ip;
        QString rawData;
        QString eventId;
        QString arg1;
        QString arg2;
        QString result;
        QString payload;
        bool isValid = false;
    };

    static constexpr quint16 defaultPort = 9002;
    // What one connection may hold without completing a record.
    static constexpr qsizetype maxPendingBytes = 4096;
    // Connections kept at once: room for many cameras and their reconnects, while a host that
    // opens hundreds cannot take the process's descriptors.
    static constexpr qsizetype maxConnections = 32;
    // What one read takes from a connection; the rest waits in the kernel, so a flooding peer
    // costs bounded memory and the worker gets back to its pass between reads.
    static constexpr qint64 readChunkBytes = 64 * 1024;
    // After a failed accept (out of descriptors), the next attempt.
    static constexpr int acceptRetryMs = 1000;

    // True for the addresses of cameras this PC registered with. Called on the listener's
    // thread.
    using CameraCheck = std::function<bool(const QString &ip)>;

    // Port 0 picks any free port (see serverPort()).
    explicit DeviceListenTCP(QObject *parent = nullptr, quint16 port = defaultPort);
    ~DeviceListenTCP() override;

    // Parses one complete record text as received from peerIp; a record missing
    // any of the five values comes back with isValid false. Unknown pieces are
    // logged, through limit when given.
    static FeedbackInfo_t parseRecord(const QString &peerIp, const QString &record,
                                      PeerLogLimit *limit = nullptr);

    // Connections from addresses the check rejects are closed at once; without a check every
    // peer is served.
    void setCameraCheck(CameraCheck check) { m_isCamera = std::move(check); }

    bool isListening() const;
    quint16 serverPort() const;

signals:
    void sigFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo);

private slots:
    void onNewConnecting();
    void onReadData();
    void onAcceptError(QAbstractSocket::SocketError error);

private:
    struct Connection; // per-socket reassembly state
    void adopt(QTcpSocket *socket, const QString &peer);
    void refuse(QTcpSocket *socket, const QString &peer);
    void closeLongestIdle();
    void drop(QTcpSocket *socket);
    void readFrom(QTcpSocket *socket);

    QTcpServer *m_server;                            // child; the accepted sockets are its children
    QHash<QTcpSocket *, Connection *> m_connections; // owns the Connection objects
    PeerLogLimit m_logLimit;
    CameraCheck m_isCamera;
    QElapsedTimer m_clock;
    QHash<QString, qint64> m_refusalLoggedMs; // by address: when its refusal was last logged
    int m_failedAccepts = 0;                  // since the last accepted connection
};

Q_DECLARE_METATYPE(DeviceListenTCP::FeedbackInfo_t)
