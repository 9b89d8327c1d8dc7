#include "eventpusher.h"

#include "console.h"

#include <QTcpSocket>

namespace {

constexpr int retryMs = 1000;
// A PC that swallows the connection attempt counts as not listening.
constexpr int connectTimeoutMs = 3000;

QString text(const QByteArray &bytes) {
    return QString::fromUtf8(bytes);
}

} // namespace

EventPusher::EventPusher(quint16 port, const QHostAddress &source, QObject *parent)
    : QObject(parent), m_port(port), m_source(source) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &EventPusher::connectNow);
    m_connectDeadline.setSingleShot(true);
    m_connectDeadline.setInterval(connectTimeoutMs);
    connect(&m_connectDeadline, &QTimer::timeout, this, [this] { lost(m_socket); });
    m_splitGap.setSingleShot(true);
    m_splitGap.setInterval(50);
    connect(&m_splitGap, &QTimer::timeout, this, &EventPusher::drain);
}

void EventPusher::registerPc(const QHostAddress &pc) {
    if (pc == m_pc && (m_socket || m_retry.isActive()))
        return;
    if (m_socket) {
        lost(m_socket, false);
        m_retry.stop();
    }
    m_pc = pc;
    connectNow();
}

void EventPusher::connectNow() {
    if (m_pc.isNull() || m_socket)
        return;
    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] { onConnected(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { lost(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { lost(socket); });
    // Events must come from the camera's own address: the PC files them under
    // the sender's address.
    if (m_source != QHostAddress::AnyIPv4 && m_source != QHostAddress::Any)
        socket->bind(m_source, 0);
    m_connectDeadline.start();
    socket->connectToHost(m_pc, m_port);
}

void EventPusher::onConnected(QTcpSocket *socket) {
    if (socket != m_socket)
        return;
    m_connectDeadline.stop();
    m_up = true;
    // Records are small; each write should leave as its own segment.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    console::out(QStringLiteral("event connection up ") + m_pc.toString());
}

void EventPusher::lost(QTcpSocket *socket, bool report) {
    if (!socket || socket != m_socket)
        return;
    m_socket = nullptr;
    m_connectDeadline.stop();
    if (m_up)
        console::out(QStringLiteral("event connection down ") + m_pc.toString());
    else if (report)
        console::out(QStringLiteral("event connection failed %1: %2")
                         .arg(m_pc.toString(), socket->errorString()));
    m_up = false;
    for (const Chunk &chunk : std::as_const(m_queue))
        console::out(QStringLiteral("event dropped ") + text(chunk.bytes));
    m_queue.clear();
    m_splitGap.stop();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    m_retry.start();
}

bool EventPusher::isUp() const {
    return m_socket && m_up;
}

bool EventPusher::isWithheld(const QString &arg1) const {
    return m_withholdAll || m_withheld.contains(arg1);
}

void EventPusher::push(const CameraEvent &event) {
    const QByteArray record = event.record();
    if (isWithheld(event.arg1)) {
        console::out(QStringLiteral("event withheld ") + text(record));
        return;
    }
    if (m_paired && m_held.isEmpty()) {
        m_held = record;
        console::out(QStringLiteral("event held ") + text(record));
        return;
    }
    const QByteArray bytes = m_held + record;
    m_held.clear();
    send(bytes);
}

void EventPusher::pushRaw(const QByteArray &bytes) {
    if (!isUp()) {
        console::out(QStringLiteral("event dropped ") + text(bytes));
        return;
    }
    m_queue.append({bytes, false});
    drain();
}

void EventPusher::send(const QByteArray &bytes) {
    if (!isUp()) {
        console::out(QStringLiteral("event dropped ") + text(bytes));
        return;
    }
    if (m_split && bytes.size() > 1) {
        const qsizetype half = bytes.size() / 2;
        m_queue.append({bytes.left(half), true});
        m_queue.append({bytes.mid(half), false});
    } else {
        m_queue.append({bytes, false});
    }
    drain();
}

void EventPusher::drain() {
    while (isUp() && !m_queue.isEmpty() && !m_splitGap.isActive()) {
        const Chunk chunk = m_queue.takeFirst();
        m_socket->write(chunk.bytes);
        m_socket->flush();
        console::out(QStringLiteral("event sent ") + text(chunk.bytes));
        if (chunk.gapAfter)
            m_splitGap.start();
    }
}

void EventPusher::withhold(const QString &arg1) {
    if (arg1 == QLatin1String("all"))
        m_withholdAll = true;
    else
        m_withheld.insert(arg1);
}

void EventPusher::withholdNone() {
    m_withholdAll = false;
    m_withheld.clear();
}

void EventPusher::setSplit(bool split, int gapMs) {
    m_split = split;
    m_splitGap.setInterval(gapMs);
}

void EventPusher::setPaired(bool paired) {
    m_paired = paired;
    if (!paired && !m_held.isEmpty()) {
        const QByteArray held = m_held;
        m_held.clear();
        send(held);
    }
}
