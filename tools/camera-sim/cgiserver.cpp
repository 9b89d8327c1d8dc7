#include "cgiserver.h"

#include "console.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

// Clients of a camera send a request line and a few headers; anything larger
// is not one of them.
constexpr qsizetype maxHeadBytes = 16 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Internal Server Error";
    }
}

QByteArray serialise(const HttpReply &reply) {
    QByteArray bytes =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    bytes += "Content-Type: text/html\r\n";
    bytes += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes + reply.body;
}

bool parseRequestLine(const QByteArray &head, HttpRequest *request) {
    const qsizetype lineEnd = head.indexOf("\r\n");
    const QList<QByteArray> parts = head.left(lineEnd).split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1.") || !parts[1].startsWith('/'))
        return false;
    request->method = parts[0];
    request->target = parts[1];
    const qsizetype mark = request->target.indexOf('?');
    request->path = mark < 0 ? request->target : request->target.left(mark);
    request->query = mark < 0 ? QByteArray() : request->target.mid(mark + 1);
    return true;
}

} // namespace

// One client connection: collects the request head, hands it to the server,
// writes the one reply and closes. Deletes itself when both sides are done.
class HttpConnection : public QObject {
public:
    HttpConnection(QTcpSocket *socket, CgiServer *server) : QObject(server), m_socket(socket) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, server] { onReadyRead(server); });
        connect(socket, &QTcpSocket::disconnected, this, [this] { onDisconnected(); });
    }

    // Sends the reply now (when the client is still there) and runs its
    // after-write step once the bytes have left.
    void respond(HttpReply reply) {
        m_afterWrite = std::move(reply.afterWrite);
        m_replied = true;
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            finish();
            return;
        }
        m_socket->write(serialise(reply));
        console::out(
            QStringLiteral("reply %1 %2").arg(reply.status).arg(QString::fromUtf8(m_target)));
        // Closing waits for the pending bytes; disconnected() then ends us.
        m_socket->disconnectFromHost();
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            finish();
    }

    void expectReply(const QByteArray &target) {
        m_awaitingReply = true;
        m_target = target;
    }

private:
    void onReadyRead(CgiServer *server) {
        if (m_headSeen) {
            m_socket->readAll(); // a body or a second request: not served
            return;
        }
        m_buffer += m_socket->readAll();
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > maxHeadBytes) {
                m_headSeen = true;
                m_awaitingReply = true;
                respond({431, "Request Header Fields Too Large", {}});
            }
            return;
        }
        m_headSeen = true;
        HttpRequest request;
        if (!parseRequestLine(m_buffer.left(end + 2), &request)) {
            m_awaitingReply = true;
            respond({400, "Bad Request", {}});
            return;
        }
        server->dispatch(this, request);
    }

    void onDisconnected() {
        if (m_replied) {
            finish();
        } else if (!m_awaitingReply) {
            // Silent, or the client left before its request was complete.
            deleteLater();
        }
        // Otherwise a delayed reply is still due; respond() finishes then.
    }

    void finish() {
        if (m_finished)
            return;
        m_finished = true;
        if (m_afterWrite)
            m_afterWrite();
        deleteLater();
    }

    QTcpSocket *m_socket;
    QByteArray m_buffer;
    QByteArray m_target; // for the reply line
    std::function<void()> m_afterWrite;
    bool m_headSeen = false;
    bool m_awaitingReply = false;
    bool m_replied = false;
    bool m_finished = false;
};

CgiServer::CgiServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)) {
    connect(&m_server, &QTcpServer::newConnection, this, &CgiServer::onNewConnection);
}

bool CgiServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

void CgiServer::onNewConnection() {
    while (QTcpSocket *socket = m_server.nextPendingConnection())
        new HttpConnection(socket, this);
}

void CgiServer::dispatch(HttpConnection *connection, const HttpRequest &request) {
    console::out(QStringLiteral("request ") + QString::fromUtf8(request.target));
    if (m_silent)
        return; // the connection stays open until the client gives up

    connection->expectReply(request.target);
    const bool fail = m_failAll;
    auto respond = [this, connection, request, fail] {
        if (fail)
            connection->respond({500, "Internal Server Error", {}});
        else if (request.method != "GET")
            connection->respond({405, "Method Not Allowed", {}});
        else
            connection->respond(m_handler(request));
    };
    if (m_replyDelayMs > 0)
        QTimer::singleShot(m_replyDelayMs, connection, respond);
    else
        respond();
}
