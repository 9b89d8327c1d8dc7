// DownloadServer: the installer download, on a listener of its own beside the
// API. Its faults (a body sent slowly, without a length, or cut off half way)
// need the socket itself, which QHttpServer does not hand out for streaming,
// so this is a minimal HTTP/1.1 server: one GET per connection, answered and
// then closed. Main thread only.
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;
class Updates;

class DownloadServer : public QObject {
    Q_OBJECT
public:
    // How long a "slow" download takes, in pieces sent at even intervals.
    static constexpr int slowPieces = 30;
    static constexpr int slowIntervalMs = 100;

    explicit DownloadServer(Updates *updates, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

private:
    void onNewConnection();
    void onReadable(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &method, const QString &path);
    static void sendStatus(QTcpSocket *socket, int status, const QByteArray &reason);
    void sendSlowly(QTcpSocket *socket, const QByteArray &body);

    Updates *m_updates;
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_heads; // request heads still arriving
};
