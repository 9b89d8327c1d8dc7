// DeviceListenTCP: the server on TCP port 9002 to which registered cameras push
// their event records, e.g.
//   {"eventid":"STATEMNG_SETTING","arg1":"MEDIAMODE","arg2":"NORM_REC","result":"SUCCESS","payload":"1080P30"}
// Each complete record becomes one FeedbackInfo_t on sigFeedbackInfo.
//
// Threads: created by Network::onRun on the engine's worker thread; it and its
// sockets live and run there. No locks: all state is touched on that thread.
#pragma once

#include "device/peerloglimit.h"

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

    // Port 0 picks any free port (see serverPort()).
    explicit DeviceListenTCP(QObject *parent = nullptr, quint16 port = defaultPort);
    ~DeviceListenTCP() override;

    // Parses one complete record text as received from peerIp; a record missing
    // any of the five values comes back with isValid false. Unknown pieces are
    // logged, through limit when given.
    static FeedbackInfo_t parseRecord(const QString &peerIp, const QString &record,
                                      PeerLogLimit *limit = nullptr);

    bool isListening() const;
    quint16 serverPort() const;

signals:
    void sigFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo);

private slots:
    void onNewConnecting();
    void onReadData();

private:
    struct Connection; // per-socket reassembly state
    void readFrom(QTcpSocket *socket);

    QTcpServer *m_server;                            // child; the accepted sockets are its children
    QHash<QTcpSocket *, Connection *> m_connections; // owns the Connection objects
    PeerLogLimit m_logLimit;
};

Q_DECLARE_METATYPE(DeviceListenTCP::FeedbackInfo_t)
