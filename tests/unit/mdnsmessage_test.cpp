// The mDNS message codec and the answer matching of mDNS discovery. Nothing
// here touches a socket.
#include "device/mdns.h"
#include "device/mdnsmessage.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

namespace {

using MdnsCodec::Message;
using MdnsCodec::Query;
using MdnsCodec::Record;
using MdnsCodec::TypePtr;

const QString service = QStringLiteral("_lc01._tcp.local.");

Message response(const QList<Record> &records) {
    Message message;
    message.setResponse(true);
    for (const Record &record : records)
        message.addRecord(record);
    return message;
}

// Through the wire and back, as a camera's answer reaches discovery.
Message onTheWire(const Message &message) {
    const QByteArray packet = MdnsCodec::toPacket(message);
    Message decoded;
    EXPECT_FALSE(packet.isEmpty());
    EXPECT_TRUE(MdnsCodec::fromPacket(packet, decoded));
    return decoded;
}

TEST(MdnsCodecTest, QueryKeepsItsNameAndPtrTypeOnTheWire) {
    Message query;
    query.addQuery({service, TypePtr});
    const Message decoded = onTheWire(query);
    EXPECT_FALSE(decoded.isResponse());
    ASSERT_EQ(decoded.queries().size(), 1);
    EXPECT_EQ(decoded.queries()[0].name, service);
    EXPECT_EQ(decoded.queries()[0].type, 12);
    EXPECT_TRUE(decoded.records().isEmpty());
}

TEST(MdnsCodecTest, ResponseKeepsItsRecordsInOrderWithLetterCaseBlanksAndFinalDot) {
    // The second owner differs from the first only in case, so a codec that
    // compresses names regardless of case would rewrite it.
    const QList<Record> records = {
        {service, TypePtr, QStringLiteral("Cam_B._lc01._tcp.local.")},
        {QStringLiteral("_LC01._Tcp.local."), TypePtr,
         QStringLiteral("Living Room._lc01._TCP.local.")},
    };
    const Message decoded = onTheWire(response(records));
    EXPECT_TRUE(decoded.isResponse());
    EXPECT_TRUE(decoded.queries().isEmpty());
    ASSERT_EQ(decoded.records().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(decoded.records()[i].name, records[i].name);
        EXPECT_EQ(decoded.records()[i].type, 12);
        EXPECT_EQ(decoded.records()[i].target, records[i].target);
    }
}

TEST(MdnsCodecTest, GarbageAndTruncatedPacketsDoNotDecode) {
    Message untouched;
    untouched.addQuery({QStringLiteral("kept."), TypePtr});
    const auto fails = [&untouched](const QByteArray &packet) {
        Message message = untouched;
        const bool decoded = MdnsCodec::fromPacket(packet, message);
        EXPECT_EQ(message.queries().size(), 1) << "changed by a failed decode";
        return !decoded;
    };

    EXPECT_TRUE(fails(QByteArray()));
    EXPECT_TRUE(fails(QByteArrayLiteral("this is not a DNS message at all")));
    const QByteArray whole = MdnsCodec::toPacket(
        response({{service, TypePtr, QStringLiteral("Torvi_A1B2._lc01._tcp.local.")}}));
    ASSERT_FALSE(whole.isEmpty());
    for (qsizetype size = 1; size < whole.size(); ++size)
        EXPECT_TRUE(fails(whole.left(size))) << "cut at " << size;
}

// uidFromResponse is the whole decision of which camera an answer names.
TEST(MdnsAnswerTest, FirstPtrRecordNamedExactlyLikeTheServiceGivesTheFirstLabelOfItsTarget) {
    const QString target = QStringLiteral("Torvi_A1B2._lc01._tcp.local.");
    const Record exact{service, TypePtr, target};
    const Record upperCase{QStringLiteral("_LC01._tcp.local."), TypePtr,
                           QStringLiteral("Upper._lc01._tcp.local.")};
    const Record noFinalDot{QStringLiteral("_lc01._tcp.local"), TypePtr,
                            QStringLiteral("NoDot._lc01._tcp.local.")};
    const Record otherService{QStringLiteral("_http._tcp.local."), TypePtr,
                              QStringLiteral("Web._http._tcp.local.")};
    const Record srvNamedLikeTheService{service, 33, QString()};

    struct Case {
        const char *what;
        Message message;
        QString uID;
    };
    Message query = response({exact});
    query.setResponse(false);
    const Case cases[] = {
        {"exact name", response({exact}), QStringLiteral("Torvi_A1B2")},
        {"first of two", response({exact, {service, TypePtr, QStringLiteral("Second.x.")}}),
         QStringLiteral("Torvi_A1B2")},
        {"other names and types skipped",
         response({otherService, upperCase, srvNamedLikeTheService, exact}),
         QStringLiteral("Torvi_A1B2")},
        {"letter case differs", response({upperCase}), QString()},
        {"final dot missing", response({noFinalDot}), QString()},
        {"not a response", query, QString()},
        {"no records", response({}), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mDNS::uidFromResponse(c.message), c.uID) << c.what;

    // The case difference survives the wire.
    EXPECT_EQ(mDNS::uidFromResponse(onTheWire(response({upperCase, exact}))),
              QStringLiteral("Torvi_A1B2"));
    EXPECT_EQ(mDNS::uidFromResponse(onTheWire(response({upperCase}))), QString());
}

} // namespace
