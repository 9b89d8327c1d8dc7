#include "device/deviceliscentcp.h"

#include "device/eventrecordstream.h"
#include "log/logline.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

struct DeviceListenTCP::Connection {
    QString peerIp;
    qint64 lastActiveMs = 0; // on the listener's clock
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

// A refused address is named in the log at most this often.
constexpr qint64 refusalLogPeriodMs = 60 * 1000;
// Refusals remembered before the stale ones are swept out.
constexpr qsizetype refusalMemory = 256;

} // namespace

DeviceListenTCP::DeviceListenTCP(QObject *parent, quint16 port)
    : QObject(parent), m_server(new QTcpServer(this)) {
    qRegisterMetaType<DeviceListenTCP::FeedbackInfo_t>();
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &DeviceListenTCP::onNewConnecting);
    connect(m_server, &QTcpServer::acceptError, this, &DeviceListenTCP::onAcceptError);
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
        if (m_failedAccepts > 0) {
            LOG_NOTE << "event listener accepts connections again after" << m_failedAccepts
                     << "failed attempts";
            m_failedAccepts = 0;
        }
        const QString peer = peerText(socket->peerAddress());
        if (m_isCamera && !m_isCamera(peer)) {
            refuse(socket, peer);
            continue;
        }
        if (m_connections.size() >= maxConnections)
            closeLongestIdle();
        adopt(socket, peer);
    }
}

void DeviceListenTCP::adopt(QTcpSocket *socket, const QString &peer) {
    auto *connection = new Connection;
    connection->peerIp = peer;
    connection->lastActiveMs = m_clock.elapsed();
    m_connections.insert(socket, connection);
    socket->setReadBufferSize(readChunkBytes);
    connect(socket, &QTcpSocket::readyRead, this, &DeviceListenTCP::onReadData);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
}

void DeviceListenTCP::refuse(QTcpSocket *socket, const QString &peer) {
    const qint64 now = m_clock.elapsed();
    const auto logged = m_refusalLoggedMs.constFind(peer);
    if (logged == m_refusalLoggedMs.cend() || now - logged.value() >= refusalLogPeriodMs) {
        if (m_refusalLoggedMs.size() >= refusalMemory)
            m_refusalLoggedMs.removeIf(
                [now](const auto &entry) { return now - entry.value() >= refusalLogPeriodMs; });
        m_refusalLoggedMs.insert(peer, now);
        LOG_ERROR << "event listener: connections from" << peer
                  << "are closed at once: it is not a camera this PC registered with (said once "
                     "a minute)";
    }
    socket->abort();
    socket->deleteLater();
}

void DeviceListenTCP::closeLongestIdle() {
    auto idlest = m_connections.cbegin();
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (it.value()->lastActiveMs < idlest.value()->lastActiveMs)
            idlest = it;
    }
    QTcpSocket *socket = idlest.key();
    const Connection *connection = idlest.value();
    if (m_logLimit.allow(connection->peerIp))
        LOG_ERROR << "cameraIP:" << connection->peerIp << " event connection idle for"
                  << (m_clock.elapsed() - connection->lastActiveMs) / 1000
                  << "s closed to make room: at most" << maxConnections << "are kept";
    socket->disconnect(this);
    drop(socket);
    socket->abort();
}

void DeviceListenTCP::drop(QTcpSocket *socket) {
    Connection *gone = m_connections.take(socket);
    if (gone) {
        // The peer's line budget is its own, not its connection's: a pile of connections
        // closing one by one must not renew it each time.
        const bool peerStillHere =
            std::any_of(m_connections.cbegin(), m_connections.cend(),
                        [&](const Connection *other) { return other->peerIp == gone->peerIp; });
        if (!peerStillHere)
            m_logLimit.forget(gone->peerIp);
    }
    delete gone;
    socket->deleteLater();
}

void DeviceListenTCP::onAcceptError(QAbstractSocket::SocketError) {
    // Qt stops accepting after such an error; without another attempt no camera event would
    // arrive again.
    if (m_failedAccepts++ == 0)
        LOG_ERROR << "event listener cannot accept a connection:" << m_server->errorString()
                  << "(is the process out of file descriptors?); trying again every"
                  << acceptRetryMs << "ms";
    QTimer::singleShot(acceptRetryMs, this, [this] { m_server->resumeAccepting(); });
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
    connection->lastActiveMs = m_clock.elapsed();
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
