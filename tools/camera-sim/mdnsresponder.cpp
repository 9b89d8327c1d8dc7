#include "mdnsresponder.h"

#include "console.h"
#include "device/mdnsmessage.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace {

const QString serviceName = QStringLiteral("_lc01._tcp.local.");

const QAbstractSocket::BindMode shared =
    QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;

bool findInterface(const QHostAddress &address, QNetworkInterface *found) {
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip() == address) {
                *found = iface;
                return true;
            }
        }
    }
    return false;
}

// A resolver asks by name in any letter case, for PTR or for everything.
bool asksForService(const MdnsCodec::Message &message) {
    if (message.isResponse())
        return false;
    for (const MdnsCodec::Query &query : message.queries()) {
        if ((query.type == MdnsCodec::TypePtr || query.type == MdnsCodec::TypeAny) &&
            query.name.compare(serviceName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

MdnsResponder::MdnsResponder(const QHostAddress &address, const QString &uid, QObject *parent)
    : QObject(parent), m_address(address), m_uid(uid) {}

bool MdnsResponder::isInstanceLabel(const QString &uid) {
    const qsizetype bytes = uid.toUtf8().size();
    return bytes >= 1 && bytes <= 63 && !uid.contains(u'.') && !uid.contains(u'\\');
}

bool MdnsResponder::open(QString *error) {
    close();
    QNetworkInterface iface;
    if (!findInterface(m_address, &iface)) {
        *error = QStringLiteral("no interface holds %1").arg(m_address.toString());
        return false;
    }
    if (!iface.flags().testFlag(QNetworkInterface::CanMulticast)) {
        *error = QStringLiteral("%1 cannot multicast").arg(iface.name());
        return false;
    }

    auto *listener = new QUdpSocket(this);
    auto *sender = new QUdpSocket(this);
    const auto fail = [&](const QString &reason) {
        *error = reason;
        delete listener;
        delete sender;
        return false;
    };
    // Questions arrive addressed to the group, which a socket bound to a
    // unicast address never sees; answers leave through the second socket.
    if (!listener->bind(QHostAddress::AnyIPv4, MdnsCodec::MdnsPort, shared))
        return fail(QStringLiteral("cannot bind 0.0.0.0:5353: ") + listener->errorString());
    if (!listener->joinMulticastGroup(MdnsCodec::MdnsIpv4Address, iface))
        return fail(QStringLiteral("cannot join the group on %1: %2")
                        .arg(iface.name(), listener->errorString()));
    if (!sender->bind(m_address, MdnsCodec::MdnsPort, shared))
        return fail(QStringLiteral("cannot bind %1:5353: %2")
                        .arg(m_address.toString(), sender->errorString()));
    sender->setMulticastInterface(iface);

    m_listener = listener;
    m_sender = sender;
    connect(m_listener, &QUdpSocket::readyRead, this, &MdnsResponder::onReadable);
    return true;
}

void MdnsResponder::close() {
    delete m_listener;
    delete m_sender;
    m_listener = nullptr;
    m_sender = nullptr;
}

bool MdnsResponder::setAddress(const QHostAddress &address, QString *error) {
    const bool wasOpen = isOpen();
    const QHostAddress previous = m_address;
    m_address = address;
    if (!wasOpen || open(error))
        return true;
    // Keep answering from where it did.
    m_address = previous;
    QString ignored;
    open(&ignored);
    return false;
}

void MdnsResponder::onReadable() {
    while (m_listener && m_listener->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_listener->receiveDatagram();
        MdnsCodec::Message question;
        if (!MdnsCodec::fromPacket(datagram.data(), question) || !asksForService(question))
            continue;
        MdnsCodec::Message answer;
        answer.setResponse(true);
        answer.addRecord({serviceName, MdnsCodec::TypePtr, m_uid + u'.' + serviceName});
        const QByteArray packet = MdnsCodec::toPacket(answer);
        if (packet.isEmpty() ||
            m_sender->writeDatagram(packet, MdnsCodec::MdnsIpv4Address, MdnsCodec::MdnsPort) < 0) {
            console::err(QStringLiteral("torvi-sim: mdns answer not sent: ") +
                         m_sender->errorString());
            continue;
        }
        console::out(QStringLiteral("mdns answered ") + datagram.senderAddress().toString());
    }
}
