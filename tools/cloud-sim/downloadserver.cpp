#include "downloadserver.h"

#include "requestlog.h"
#include "updates.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

constexpr qsizetype maxHeadBytes = 16 * 1024;

QByteArray headerValue(const QList<QByteArray> &lines, const QByteArray &name) {
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

DownloadServer::DownloadServer(Updates *updates, QObject *parent)
    : QObject(parent), m_updates(updates) {
    connect(&m_server, &QTcpServer::newConnection, this, &DownloadServer::onNewConnection);
}

bool DownloadServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

void DownloadServer::onNewConnection() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_heads.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_heads.remove(socket);
            socket->deleteLater();
        });
    }
}

void DownloadServer::onReadable(QTcpSocket *socket) {
    const auto it = m_heads.find(socket);
    if (it == m_heads.end()) {
        socket->readAll(); // answered already; one request per connection
        return;
    }
    it->append(socket->readAll());
    const qsizetype end = it->indexOf("\r\n\r\n");
    if (end < 0) {
        if (it->size() > maxHeadBytes) {
            m_heads.erase(it);
            sendStatus(socket, 431, "Request Header Fields Too Large");
        }
        return;
    }
    const QList<QByteArray> lines = it->left(end).split('\n');
    m_heads.erase(it);

    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        sendStatus(socket, 400, "Bad Request");
        return;
    }
    const QByteArray &method = requestLine[0];
    const QString path = QUrl::fromEncoded(requestLine[1]).path();
    logRequest(method, QString::fromUtf8(requestLine[1]),
               headerValue(lines.mid(1), "Authorization"), {});
    answer(socket, method, path);
}

void DownloadServer::answer(QTcpSocket *socket, const QByteArray &method, const QString &path) {
    const QString prefix = QStringLiteral("/download/");
    if (!path.startsWith(prefix) || !Updates::isInstallerName(path.mid(prefix.size()))) {
        sendStatus(socket, 404, "Not Found");
        return;
    }
    if (method != "GET") {
        sendStatus(socket, 405, "Method Not Allowed");
        return;
    }
    const Updates::DownloadMode mode = m_updates->downloadMode();
    if (mode == Updates::DownloadMode::Refuse) {
        sendStatus(socket, 404, "Not Found");
        return;
    }

    const QByteArray &body = m_updates->installer();
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/vnd.debian.binary-package\r\n"
                      "Connection: close\r\n";
    // Without a length the end of the body is the end of the connection.
    if (mode != Updates::DownloadMode::NoSize)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "\r\n";
    socket->write(head);

    switch (mode) {
    case Updates::DownloadMode::Slow:
        sendSlowly(socket, body);
        return;
    case Updates::DownloadMode::Cut:
        socket->write(body.left(body.size() / 2));
        break;
    default:
        socket->write(body);
        break;
    }
    // Closes once everything written has gone out.
    socket->disconnectFromHost();
}

void DownloadServer::sendStatus(QTcpSocket *socket, int status, const QByteArray &reason) {
    const QByteArray body =
        R"({"code":)" + QByteArray::number(status) + R"(,"msg":")" + reason.toLower() + R"("})";
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: application/json\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

void DownloadServer::sendSlowly(QTcpSocket *socket, const QByteArray &body) {
    auto *timer = new QTimer(socket); // goes with the connection
    auto sent = std::make_shared<qsizetype>(0);
    const qsizetype piece = (body.size() + slowPieces - 1) / slowPieces;
    connect(timer, &QTimer::timeout, socket, [socket, timer, sent, piece, body] {
        socket->write(body.mid(*sent, piece));
        *sent += piece;
        if (*sent >= body.size()) {
            timer->stop();
            socket->disconnectFromHost();
        }
    });
    timer->start(slowIntervalMs);
}
