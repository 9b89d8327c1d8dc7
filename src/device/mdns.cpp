#include "device/mdns.h"

#include "device/mdnsmessage.h"
#include "log/logline.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

using MdnsCodec::MdnsIpv4Address;
using MdnsCodec::MdnsPort;

const QString mDNS::serviceName = QStringLiteral("_lc01._tcp.local.");

namespace {

constexpr qint64 secondMs = 1000;

bool isEligible(const QNetworkInterface &iface) {
    const QNetworkInterface::InterfaceFlags needed =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanMulticast;
    return iface.isValid() && !iface.flags().testFlag(QNetworkInterface::IsLoopBack) &&
           (iface.flags() & needed) == needed;
}

struct KeyedInterface {
    QString key;
    QNetworkInterface iface;
};

// The system's interfaces, in its order, each with the key it is followed by:
// its hardware address, so a renamed adapter stays the same one. Where that
// does not tell interfaces apart (none or zeros, as tunnels report, or the
// address of an interface listed before, as VLAN sub-interfaces share their
// parent's) the interface index does.
QList<KeyedInterface> keyedInterfaces() {
    QList<KeyedInterface> keyed;
    QSet<QString> taken;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const QString hardware = iface.hardwareAddress();
        const bool none =
            hardware.isEmpty() || hardware.count(u'0') + hardware.count(u':') == hardware.size();
        if (none || taken.contains(hardware)) {
            keyed.append({QStringLiteral("#") + QString::number(iface.index()), iface});
        } else {
            taken.insert(hardware);
            keyed.append({hardware, iface});
        }
    }
    return keyed;
}

QStringList ipv4Addresses(const QNetworkInterface &iface) {
    QStringList addresses;
    for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
            addresses << entry.ip().toString();
    }
    return addresses;
}

} // namespace

mDNS::mDNS(int cycleWaitMs) : m_cycleWaitMs(cycleWaitMs) {}

mDNS::~mDNS() {
    // A loop that never ran never took the lock after the main thread's last call; taking it
    // here orders that call before the members go.
    QMutexLocker lock(&m_lock);
}

void mDNS::stop() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    QMutexLocker lock(&m_lock);
    m_stop = true;
}

void mDNS::queryNow() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    QMutexLocker lock(&m_lock);
    m_queryCountdown = 0;
}

void mDNS::removeEntry(const QString &uID) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (uID.isEmpty()) {
        LOG_ERROR << "param is valid!";
        return;
    }
    QMutexLocker lock(&m_lock);
    m_entries.remove(uID);
    m_heard.remove(uID);
}

MdnsEntry mDNS::getEntry(const QString &uID) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (uID.isEmpty()) {
        LOG_ERROR << "uID is empty";
        return {};
    }
    QMutexLocker lock(&m_lock);
    return m_entries.value(uID);
}

bool mDNS::stopRequested() {
    QMutexLocker lock(&m_lock);
    return m_stop;
}

void mDNS::onRun() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!start())
        return;
    for (;;) {
        queryStep();
        ageingStep();
        if (stopRequested())
            return;
        waitCycle();
    }
}

bool mDNS::start() {
    m_socket = new QUdpSocket(this);
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->close();
    connect(m_socket, &QUdpSocket::readyRead, this, &mDNS::onReceiveMsg);
    m_second.start();
    if (!m_socket->bind(QHostAddress::AnyIPv4, MdnsPort,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        LOG_ERROR << "UDP bind faild!";
        LOG_ERROR << " mdns init faild";
        return false;
    }
    QMutexLocker lock(&m_lock);
    for (const KeyedInterface &keyed : keyedInterfaces()) {
        if (isEligible(keyed.iface))
            joinLocked(keyed.key, keyed.iface);
    }
    return true;
}

// Answers are read while the thread waits here.
void mDNS::waitCycle() {
    QEventLoop loop;
    QTimer::singleShot(m_cycleWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void mDNS::joinLocked(const QString &key, const QNetworkInterface &iface) {
    const QStringList addresses = ipv4Addresses(iface);
    if (m_socket->joinMulticastGroup(MdnsIpv4Address, iface)) {
        m_joined.insert(key, iface);
        m_joinedAddresses.insert(key, addresses);
        QDebug line = LOG_NOTE << "UDP join mdns success>> name:" << iface.humanReadableName();
        for (const QString &address : addresses)
            line << " addr:" << address;
        return;
    }
    {
        QDebug line = LOG_ERROR << "UDP join mdns faild>> name:" << iface.humanReadableName();
        for (const QString &address : addresses)
            line << " addr:" << address;
    }
    LOG_ERROR << "UDP state: " << m_socket->state() << "[flags]: " << iface.flags()
              << " [type]:" << iface.type() << " [valid]:" << iface.isValid();
}

void mDNS::leaveLocked(const QString &key) {
    const QNetworkInterface iface = m_joined.take(key);
    // The kernel drops the membership of a vanished interface itself, so a
    // failure here changes nothing.
    m_socket->leaveMulticastGroup(MdnsIpv4Address, iface);
    LOG_NOTE << "UDP remove network interface from mdns: " << iface.humanReadableName();
    for (const QString &address : m_joinedAddresses.take(key))
        LOG_NOTE << "remove network ip: " << address;
}

void mDNS::queryStep() {
    QMutexLocker lock(&m_lock);
    if (m_queryCountdown > 0) {
        --m_queryCountdown;
        return;
    }
    m_queryCountdown = queryEvery - 1;

    MdnsCodec::Message query;
    query.addQuery({serviceName, MdnsCodec::TypePtr});
    const QByteArray packet = MdnsCodec::toPacket(query);

    const QList<KeyedInterface> interfaces = keyedInterfaces();
    QSet<QString> present;
    for (const KeyedInterface &keyed : interfaces)
        present.insert(keyed.key);
    // Gone interfaces are left first: an interface whose key changed (the one
    // that held its hardware address went) is then joined afresh at once.
    const QStringList joined = m_joined.keys();
    for (const QString &key : joined) {
        if (!present.contains(key))
            leaveLocked(key);
    }
    for (const KeyedInterface &keyed : interfaces) {
        if (!isEligible(keyed.iface))
            continue;
        // A new interface is queried from the next query cycle on.
        if (!m_joined.contains(keyed.key)) {
            joinLocked(keyed.key, keyed.iface);
            continue;
        }
        m_socket->setMulticastInterface(keyed.iface);
        if (m_socket->writeDatagram(packet, MdnsIpv4Address, MdnsPort) < 0)
            LOG_ERROR << "UDP send error!  " << m_socket->multicastInterface().humanReadableName();
    }
}

void mDNS::ageingStep() {
    endSecondIfOver();
    QStringList removed;
    QStringList heard;
    {
        QMutexLocker lock(&m_lock);
        for (const QString &uID : std::as_const(m_heard)) {
            if (m_entries.contains(uID))
                heard << uID;
        }
        m_heard.clear();
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->ttl > 0) {
                --it->ttl;
                ++it;
            } else {
                removed << it.key();
                it = m_entries.erase(it);
            }
        }
    }
    for (const QString &uID : std::as_const(removed))
        emit sigMdnsRemove(uID);
    if (!heard.isEmpty())
        emit sigMdnsSeen(heard);
}

bool mDNS::admitAnswer(quint32 sender) {
    endSecondIfOver();
    auto it = m_senders.find(sender);
    if (it == m_senders.end()) {
        if (m_senders.size() >= maxSenders) {
            ++m_droppedUncounted;
            return false;
        }
        it = m_senders.insert(sender, SenderCount{});
    }
    if (it->accepted >= maxAnswersPerSender) {
        ++it->dropped;
        return false;
    }
    ++it->accepted;
    return true;
}

void mDNS::endSecondIfOver() {
    if (m_second.elapsed() < secondMs)
        return;
    m_second.restart();
    int lines = 0;
    int moreSenders = 0;
    qint64 moreDropped = 0;
    for (auto it = m_senders.cbegin(); it != m_senders.cend(); ++it) {
        if (it->dropped == 0)
            continue;
        if (lines < maxDropLines) {
            ++lines;
            LOG_NOTE << QStringLiteral("mdns: %1 answers from %2 dropped: more than %3 a second")
                            .arg(it->dropped)
                            .arg(QHostAddress(it.key()).toString())
                            .arg(maxAnswersPerSender);
        } else {
            ++moreSenders;
            moreDropped += it->dropped;
        }
    }
    if (moreSenders > 0)
        LOG_NOTE << QStringLiteral("mdns: %1 answers from %2 more senders dropped: more than %3 a "
                                   "second")
                        .arg(moreDropped)
                        .arg(moreSenders)
                        .arg(maxAnswersPerSender);
    if (m_droppedUncounted > 0)
        LOG_NOTE << QStringLiteral("mdns: %1 answers from senders past the first %2 of the second "
                                   "dropped")
                        .arg(m_droppedUncounted)
                        .arg(maxSenders);
    if (m_forgotten > 0)
        LOG_NOTE << QStringLiteral("mdns: %1 cameras unheard the longest forgotten: more than %2 "
                                   "answering")
                        .arg(m_forgotten)
                        .arg(maxEntries);
    m_senders.clear();
    m_droppedUncounted = 0;
    m_forgotten = 0;
}

QString mDNS::forgetUnheardLocked() {
    // ttl counts the cycles since the last answer down, so the lowest is the
    // one unheard the longest.
    auto oldest = m_entries.begin();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->ttl < oldest->ttl)
            oldest = it;
    }
    if (oldest == m_entries.end())
        return {};
    const QString uID = oldest.key();
    m_entries.erase(oldest);
    m_heard.remove(uID);
    ++m_forgotten;
    return uID;
}

QString mDNS::uidFromResponse(const MdnsCodec::Message &message) {
    if (!message.isResponse())
        return {};
    for (const MdnsCodec::Record &record : message.records()) {
        if (record.type == MdnsCodec::TypePtr && record.name == serviceName)
            return record.target.section(u'.', 0, 0);
    }
    return {};
}

void mDNS::onReceiveMsg() {
    Q_ASSERT(QThread::currentThread() == thread());
    auto *socket = qobject_cast<QUdpSocket *>(sender());
    if (!socket)
        socket = m_socket;
    if (!socket || !socket->hasPendingDatagrams())
        return;
    const QNetworkDatagram datagram = socket->receiveDatagram();
    MdnsCodec::Message message;
    if (!MdnsCodec::fromPacket(datagram.data(), message))
        return;
    // An empty first label names no camera.
    const QString uID = uidFromResponse(message);
    if (uID.isEmpty())
        return;
    // A known camera answering again counts too: a real one answers each
    // query once and never comes near the limit, and it costs one lookup.
    if (!admitAnswer(datagram.senderAddress().toIPv4Address()))
        return;
    const QString ip = datagram.senderAddress().toString();
    QString forgotten;
    {
        QMutexLocker lock(&m_lock);
        const auto it = m_entries.find(uID);
        if (it != m_entries.end()) {
            it->ttl = entryTtl;
            m_heard.insert(uID);
            return;
        }
        if (m_entries.size() >= maxEntries)
            forgotten = forgetUnheardLocked();
        m_entries.insert(uID, MdnsEntry{uID, ip, entryTtl});
    }
    // The camera pushed out is told first, so the registry never counts both.
    if (!forgotten.isEmpty())
        emit sigMdnsRemove(forgotten);
    emit sigMdnsAdd(uID, ip);
}
