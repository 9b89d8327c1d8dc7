// A small UDP probe for test LAN checks, run inside a namespace:
//   mcastprobe recv ADDRESS PORT TIMEOUTMS   bind (joining ADDRESS when it is a
//       multicast group), print "ready", then "from SENDER TEXT" for the first
//       datagram; exit 1 when none arrives in time.
//   mcastprobe send ADDRESS PORT TEXT [COUNT [INTERVALMS]]   send TEXT COUNT
//       times, so that one loss while a link settles does not fail a test.
#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QThread>
#include <QUdpSocket>

#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: mcastprobe recv ADDRESS PORT TIMEOUTMS\n"
               "       mcastprobe send ADDRESS PORT TEXT [COUNT [INTERVALMS]]\n",
               stderr);
    return 2;
}

void say(const QByteArray &line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int receive(const QHostAddress &address, quint16 port, int timeoutMs) {
    QUdpSocket socket;
    const bool group = address.isMulticast();
    // Other listeners on the port (an mDNS responder) must not lock us out.
    const bool bound = group ? socket.bind(QHostAddress::AnyIPv4, port,
                                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                             : socket.bind(address, port);
    if (!bound) {
        std::fprintf(stderr, "mcastprobe: bind: %s\n", qPrintable(socket.errorString()));
        return 1;
    }
    if (group && !socket.joinMulticastGroup(address)) {
        std::fprintf(stderr, "mcastprobe: join: %s\n", qPrintable(socket.errorString()));
        return 1;
    }
    say("ready");
    if (!socket.waitForReadyRead(timeoutMs)) {
        std::fputs("mcastprobe: timeout\n", stderr);
        return 1;
    }
    const QNetworkDatagram datagram = socket.receiveDatagram();
    say("from " + datagram.senderAddress().toString().toLatin1() + ' ' + datagram.data());
    return 0;
}

int send(const QHostAddress &address, quint16 port, const QByteArray &text, int count,
         int intervalMs) {
    QUdpSocket socket;
    int sent = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            QThread::msleep(intervalMs);
        if (socket.writeDatagram(text, address, port) == text.size())
            ++sent;
        else if (sent == 0 && i == 0)
            std::fprintf(stderr, "mcastprobe: send: %s\n", qPrintable(socket.errorString()));
    }
    say("sent " + QByteArray::number(sent));
    return sent > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3)
        return usage();
    const QHostAddress address(args[1]);
    bool portOk = false;
    const uint port = args[2].toUInt(&portOk);
    if (address.isNull() || !portOk || port == 0 || port > 65535)
        return usage();

    if (args[0] == QLatin1String("recv") && args.size() == 4) {
        bool ok = false;
        const int timeoutMs = args[3].toInt(&ok);
        return ok ? receive(address, quint16(port), timeoutMs) : usage();
    }
    if (args[0] == QLatin1String("send") && args.size() >= 4 && args.size() <= 6) {
        bool countOk = true;
        bool intervalOk = true;
        const int count = args.size() > 4 ? args[4].toInt(&countOk) : 1;
        const int intervalMs = args.size() > 5 ? args[5].toInt(&intervalOk) : 100;
        if (!countOk || !intervalOk || count < 1 || intervalMs < 0)
            return usage();
        return send(address, quint16(port), args[3].toUtf8(), count, intervalMs);
    }
    return usage();
}
