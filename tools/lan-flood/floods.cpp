#include "floods.h"

#include "device/mdnsmessage.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>

#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr qsizetype recordBytes = 4096;

sockaddr_in socketAddress(const QHostAddress &address, quint16 port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address.isNull() ? INADDR_ANY : address.toIPv4Address());
    return result;
}

// A connected TCP socket from `from` to `to`, or -1.
int connectTo(const FloodOptions &options, int timeoutMs) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const sockaddr_in local = socketAddress(options.from, 0);
    const sockaddr_in remote = socketAddress(options.to, options.port);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr *>(&remote), sizeof remote) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True while the peer has not closed the connection.
bool stillOpen(int fd) {
    pollfd probe{fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&probe, 1, 0) <= 0)
        return true;
    char byte = 0;
    return (probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0 &&
           ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
}

QString seconds(const QElapsedTimer &clock) {
    return QString::number(static_cast<double>(clock.elapsed()) / 1000.0, 'f', 2);
}

} // namespace

QString floodEvents(const FloodOptions &options) {
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(options.maxSeconds) * 1000;
    const QByteArray record = "{" + QByteArray(recordBytes - 2, ',') + "}";
    qint64 sent = 0;
    int connections = 0;
    // A listener may close the connection; a real flooder would come back.
    while (sent < options.bytes && clock.elapsed() < limitMs) {
        const int fd = connectTo(options, 1000);
        if (fd < 0) {
            QThread::msleep(100);
            continue;
        }
        ++connections;
        while (sent < options.bytes && clock.elapsed() < limitMs) {
            const qsizetype chunk = qMin<qint64>(record.size(), options.bytes - sent);
            const ssize_t written = ::send(fd, record.constData(), chunk, MSG_NOSIGNAL);
            if (written <= 0)
                break;
            sent += written;
        }
        ::close(fd);
    }
    return QStringLiteral("sent events bytes=%1 connections=%2 seconds=%3")
        .arg(sent)
        .arg(connections)
        .arg(seconds(clock));
}

QString floodIdle(const FloodOptions &options) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(options.maxSeconds) * 1000;
    std::vector<int> open;
    int failed = 0;
    for (int i = 0; i < options.connections && clock.elapsed() < limitMs; ++i) {
        const int fd = connectTo(options, 1000);
        if (fd < 0)
            ++failed;
        else
            open.push_back(fd);
    }
    const qint64 holdUntil = qMin(clock.elapsed() + qint64(options.holdSeconds) * 1000, limitMs);
    while (clock.elapsed() < holdUntil)
        QThread::msleep(50);
    int stillOpenCount = 0;
    for (const int fd : open) {
        if (stillOpen(fd))
            ++stillOpenCount;
        ::close(fd);
    }
    return QStringLiteral("sent idle opened=%1 failed=%2 still-open=%3 seconds=%4")
        .arg(open.size())
        .arg(failed)
        .arg(stillOpenCount)
        .arg(seconds(clock));
}

QString floodMdns(const FloodOptions &options) {
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(options.maxSeconds) * 1000;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QStringLiteral("sent mdns answers=0 (no socket)");
    const unsigned char ttl = 255;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    const sockaddr_in group = socketAddress(MdnsCodec::MdnsIpv4Address, MdnsCodec::MdnsPort);
    const QString service = QStringLiteral("_lc01._tcp.local.");
    int sent = 0;
    for (int i = 0; i < options.answers && clock.elapsed() < limitMs; ++i) {
        if (options.perSecond > 0) {
            const qint64 due = qint64(i) * 1000 / options.perSecond;
            while (clock.elapsed() < due)
                QThread::msleep(1);
        }
        MdnsCodec::Message answer;
        answer.setResponse(true);
        answer.addRecord(
            {service, MdnsCodec::TypePtr,
             QStringLiteral("Torvi_FLOOD%1.").arg(i, 4, 10, QLatin1Char('0')) + service});
        const QByteArray packet = MdnsCodec::toPacket(answer);
        if (::sendto(fd, packet.constData(), packet.size(), 0,
                     reinterpret_cast<const sockaddr *>(&group), sizeof group) == packet.size())
            ++sent;
    }
    ::close(fd);
    return QStringLiteral("sent mdns answers=%1 seconds=%2").arg(sent).arg(seconds(clock));
}
