// CgiServer is the camera's web server: a minimal HTTP/1.1 server, one request
// per connection, answered with Content-Length and "Connection: close". It is
// written by hand rather than taken from a library so that every way a camera
// misbehaves (late replies, no reply, 500s) is under the control channel's
// command. It knows nothing about the CGI paths: a handler turns each request
// into a reply. Created and used on the main thread; connections are its
// children.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>

class HttpConnection;

struct HttpRequest {
    QByteArray method;
    QByteArray target; // path and query as sent
    QByteArray path;
    QByteArray query; // after '?', empty without one
};

struct HttpReply {
    int status = 200;
    QByteArray body;
    // Runs once the reply has been handed to the client, or once it is clear
    // the client is gone: a camera confirms what it did only after answering.
    std::function<void()> afterWrite;
};

class CgiServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpReply(const HttpRequest &)>;

    explicit CgiServer(Handler handler, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }

    // Fault switches; each applies to requests that arrive after it is set.
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }
    void setSilent(bool silent) { m_silent = silent; }
    void setFailAll(bool fail) { m_failAll = fail; }

private:
    friend class HttpConnection;
    void onNewConnection();
    // Called by a connection once its request head is complete.
    void dispatch(HttpConnection *connection, const HttpRequest &request);

    Handler m_handler;
    QTcpServer m_server;
    int m_replyDelayMs = 0;
    bool m_silent = false;
    bool m_failAll = false;
};
