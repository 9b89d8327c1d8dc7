// MdnsCodec: the few DNS message pieces that mDNS discovery reads and writes
// (questions, PTR records, the response flag), encoded and decoded by ldns.
// Names are text with the final dot ("_lc01._tcp.local."): the labels as
// sent, joined with "." and kept in their letter case, because the service
// name is matched exactly and the first label of a target is a camera's
// identifier. Plain values and free functions: no state, any thread.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace MdnsCodec {

inline const QHostAddress MdnsIpv4Address{QStringLiteral("224.0.0.251")};
inline constexpr quint16 MdnsPort = 5353;

inline constexpr quint16 TypePtr = 12;
inline constexpr quint16 TypeAny = 255;

struct Query {
    QString name;
    quint16 type = 0;
};

// target: the name a PTR record points to; empty for other record types.
struct Record {
    QString name;
    quint16 type = 0;
    QString target;
};

class Message {
public:
    bool isResponse() const { return m_response; }
    void setResponse(bool response) { m_response = response; }

    void addQuery(const Query &query) { m_queries.append(query); }
    const QList<Query> &queries() const { return m_queries; }

    // Decoded messages list the answer, authority and additional records in
    // that order.
    void addRecord(const Record &record) { m_records.append(record); }
    const QList<Record> &records() const { return m_records; }

private:
    bool m_response = false;
    QList<Query> m_queries;
    QList<Record> m_records;
};

// The wire form of message: id 0, records as answers with class IN, and
// responses flagged authoritative. Only PTR records can be encoded. Empty when
// a name is not a valid domain name or a record is not a PTR.
QByteArray toPacket(const Message &message);

// Replaces message with the decoded packet; false (message untouched) when
// the packet is not a whole DNS message.
bool fromPacket(const QByteArray &packet, Message &message);

} // namespace MdnsCodec
