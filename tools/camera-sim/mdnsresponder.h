// MdnsResponder is the camera's mDNS announcement: it joins 224.0.0.251:5353
// on the interface that holds the camera's address and answers each question
// for "_lc01._tcp.local." PTR with a multicast response
// "_lc01._tcp.local." -> "<uid>._lc01._tcp.local.", sent from that address,
// as a camera does for a querier on port 5353. Every answer is reported on
// stdout as "mdns answered <querier>". Created and used on the main thread.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

class MdnsResponder : public QObject {
    Q_OBJECT
public:
    MdnsResponder(const QHostAddress &address, const QString &uid, QObject *parent = nullptr);

    // Starts answering; false with the reason when the address is on no
    // interface that can multicast (loopback cannot) or a socket cannot bind.
    bool open(QString *error);
    void close();
    bool isOpen() const { return m_listener != nullptr; }

    void setUid(const QString &uid) { m_uid = uid; }
    // Later answers come from address; reopens at once when answering.
    bool setAddress(const QHostAddress &address, QString *error);

    // uid goes on the wire as one DNS label: 1 to 63 bytes, no '.', and no
    // '\\', which ldns would read as an escape.
    static bool isInstanceLabel(const QString &uid);

private:
    void onReadable();

    QHostAddress m_address;
    QString m_uid;
    QUdpSocket *m_listener = nullptr; // 0.0.0.0:5353, group joined; null while closed
    QUdpSocket *m_sender = nullptr;   // bound to m_address, so answers carry it
};
