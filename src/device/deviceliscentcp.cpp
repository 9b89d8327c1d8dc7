#include "device/deviceliscentcp.h"

#include "device/eventrecordstream.h"
#include "log/logline.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

struct DeviceListenTCP::Connection {
    QString peerIp;
    EventRecordStream stream{maxPendingBytes};
};

namespace {

// The peer as the cameras are known elsewhere: plain IPv4 text, also when the
// socket reports an IPv4-mapped IPv6 address.
QString peerText(const QHostAddress &address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

// The quoted value of one "key":"value" piece; `tail` characters close it.
QString unquoted(const QString &part, qsizetype tail) {
    if (part.size() < 1 + tail)
        return {};
    return part.mid(1, part.size() - 1 - tail);
}

// Stray text can be anything a peer sends; keep its log line short.
constexpr qsizetype strayPreviewBytes = 64;

} // namespace

DeviceListenTCP::DeviceListenTCP(QObject *parent, quint16 port)
    : QObject(parent), m_server(new QTcpServer(this)) {
    qRegisterMetaType<DeviceListenTCP::FeedbackInfo_t>();
    connect(m_server, &QTcpServer::newConnection, this, &DeviceListenTCP::onNewConnecting);
    // Cameras connect from the local network; a desktop proxy must not listen for us.
    m_server->setProxy(QNetworkProxy::NoProxy);
    // Another program holding the port would otherwise leave every camera event unheard.
    if (!m_server->listen(QHostAddress::AnyIPv4, port))
        LOG_ERROR << "event listener cannot listen on TCP port" << port << ":"
                  << m_server->errorString();
}

DeviceListenTCP::~DeviceListenTCP() {
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        it.key()->disconnect(this);
        delete it.value();
    }
    m_connections.clear();
    m_server->close();
}

bool DeviceListenTCP::isListening() const {
    return m_server->isListening();
}

quint16 DeviceListenTCP::serverPort() const {
    return m_server->serverPort();
}

void DeviceListenTCP::onNewConnecting() {
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto *connection = new Connection;
        connection->peerIp = peerText(socket->peerAddress());
        m_connections.insert(socket, connection);
        connect(socket, &QTcpSocket::readyRead, this, &DeviceListenTCP::onReadData);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            Connection *gone = m_connections.take(socket);
            if (gone)
                m_logLimit.forget(gone->peerIp);
            delete gone;
            socket->deleteLater();
        });
    }
}

void DeviceListenTCP::onReadData() {
    if (auto *socket = qobject_cast<QTcpSocket *>(sender()))
        readFrom(socket);
}

void DeviceListenTCP::readFrom(QTcpSocket *socket) {
    Connection *connection = m_connections.value(socket);
    if (!connection)
        return; // already disconnected and forgotten
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    const QString peer = connection->peerIp; // a slot may end the connection meanwhile
    for (const EventRecordStream::Item &item : connection->stream.feed(bytes)) {
        switch (item.kind) {
        case EventRecordStream::Item::Record:
            emit sigFeedbackInfo(parseRecord(peer, QString::fromUtf8(item.text), &m_logLimit));
            break;
        case EventRecordStream::Item::Stray:
            if (m_logLimit.allow(peer))
                LOG_ERROR << "cameraIP:" << peer << " stray text outside an event record, dropped"
                          << item.droppedBytes
                          << "bytes:" << QString::fromUtf8(item.text.left(strayPreviewBytes));
            break;
        case EventRecordStream::Item::Overflow:
            if (m_logLimit.allow(peer))
                LOG_ERROR << "cameraIP:" << peer << " event record too long, dropped"
                          << item.droppedBytes << "bytes";
            break;
        }
    }
}

DeviceListenTCP::FeedbackInfo_t
DeviceListenTCP::parseRecord(const QString &peerIp, const QString &record, PeerLogLimit *limit) {
    FeedbackInfo_t info;
    for (const QString &piece : record.split(QLatin1Char(','))) {
        const QStringList parts = piece.split(QLatin1Char(':'));
        const QString &key = parts.first(); // split always yields at least one part
        const QString value = parts.value(1);
        if (key.contains(QStringLiteral("eventid")))
            info.eventId = unquoted(value, 1);
        else if (key.contains(QStringLiteral("arg1")))
            info.arg1 = unquoted(value, 1);
        else if (key.contains(QStringLiteral("arg2")))
            info.arg2 = unquoted(value, 1);
        else if (key.contains(QStringLiteral("result")))
            info.result = unquoted(value, 1);
        else if (key.contains(QStringLiteral("payload")))
            info.payload = unquoted(value, 2); // the last member: its quote and the brace
        else if (!limit || limit->allow(peerIp))
            LOG_ERROR << "cameraIP:" << peerIp
                      << " the data parsed by the TCP server is undefined!   data:"
                      << outsideTextPreview(piece);
    }
    if (!info.eventId.isEmpty() && !info.arg1.isEmpty() && !info.arg2.isEmpty() &&
        !info.result.isEmpty() && !info.payload.isEmpty()) {
        info.rawData = record;
        info.isValid = true;
    }
    info.ip = peerIp;
    return info;
}
