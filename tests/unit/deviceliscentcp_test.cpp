#include "device/camera/camerarecords.h"
#include "device/camera/eventapplier.h"
#include "device/deviceliscentcp.h"
#include "device/eventrecordstream.h"
#include "support/descriptorsqueeze.h"
#include "support/qtprint.h"

#include "support/logcapture.h"

#include <gtest/gtest.h>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Info = DeviceListenTCP::FeedbackInfo_t;
using Item = EventRecordStream::Item;

constexpr int deadlineMs = 5000;

QByteArray record(const char *arg1, const char *payload) {
    return QByteArray(R"({"eventid":"STATEMNG_SETTING","arg1":")") + arg1 +
           R"(","arg2":"NORM_REC","result":"SUCCESS","payload":")" + payload + "\"}";
}

QList<QByteArray> recordsOf(const QList<Item> &items) {
    QList<QByteArray> records;
    for (const Item &item : items) {
        if (item.kind == Item::Record)
            records << item.text;
    }
    return records;
}

TEST(EventRecordStreamTest, SkipsBlanksReportsStrayTextAndKeepsTheUnfinishedRecord) {
    EventRecordStream stream(DeviceListenTCP::maxPendingBytes);
    const QList<Item> items = stream.feed("\r\n{\"a\":\"1\"}\n HTTP/1.1 200 OK{\"b\"");
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].text, "{\"a\":\"1\"}");
    EXPECT_EQ(items[1].kind, Item::Stray);
    EXPECT_EQ(items[1].text, "\n HTTP/1.1 200 OK");
    EXPECT_EQ(stream.pendingBytes(), 4);
    EXPECT_EQ(recordsOf(stream.feed(":\"2\"}")), QList<QByteArray>{"{\"b\":\"2\"}"});
}

TEST(EventRecordStreamTest, OversizedRecordIsDroppedThroughItsClosingBrace) {
    constexpr qsizetype limit = 16;
    const QByteArray fits = "{" + QByteArray(limit - 1, 'x') + "}";
    const QByteArray next = "{\"n\":\"1\"}";
    EventRecordStream stream(limit);
    EXPECT_EQ(recordsOf(stream.feed(fits + "{" + QByteArray(limit - 1, 'x'))), QList{fits});

    const QList<Item> overflow = stream.feed("yy");
    ASSERT_EQ(overflow.size(), 1);
    EXPECT_EQ(overflow[0].kind, Item::Overflow);
    EXPECT_EQ(overflow[0].droppedBytes, limit + 2);
    EXPECT_EQ(stream.pendingBytes(), 0);

    // The tail, even with a '{' in it, still belongs to the dropped record.
    EXPECT_TRUE(stream.feed(QByteArray(1000, 'z') + "{zz").isEmpty());
    EXPECT_EQ(recordsOf(stream.feed("zz}" + next)), QList{next});

    // Arriving whole, it is dropped just the same.
    const QList<Item> whole = stream.feed("{" + QByteArray(limit, 'x') + "}" + next);
    ASSERT_EQ(whole.size(), 2);
    EXPECT_EQ(whole[0].kind, Item::Overflow);
    EXPECT_EQ(whole[1].text, next);
}

TEST(DeviceListenTCPParseTest, WellFormedRecordYieldsAllFiveValues) {
    const QString text = QString::fromUtf8(record("MEDIAMODE", "1080P30_HDR_SS"));
    const Info info = DeviceListenTCP::parseRecord(QStringLiteral("10.77.0.20"), text);
    EXPECT_TRUE(info.isValid);
    EXPECT_EQ(info.ip, QStringLiteral("10.77.0.20"));
    EXPECT_EQ(info.rawData, text);
    EXPECT_EQ(
        QStringList({info.eventId, info.arg1, info.arg2, info.result, info.payload}),
        QStringList({"STATEMNG_SETTING", "MEDIAMODE", "NORM_REC", "SUCCESS", "1080P30_HDR_SS"}));
}

TEST(DeviceListenTCPParseTest, SpaceAfterAColonLeavesTheOpeningQuoteInEveryValue) {
    const Info info = DeviceListenTCP::parseRecord(
        QStringLiteral("10.77.0.20"),
        QStringLiteral(R"({"eventid": "STATEMNG_SETTING","arg1": "MEDIAMODE","arg2": )"
                       R"("NORM_REC","result": "SUCCESS","payload": "1080P30"})"));
    EXPECT_EQ(
        QStringList({info.eventId, info.arg1, info.arg2, info.result, info.payload}),
        QStringList({"\"STATEMNG_SETTING", "\"MEDIAMODE", "\"NORM_REC", "\"SUCCESS", "\"1080P30"}));
}

TEST(DeviceListenTCPParseTest, ShortUnknownOrMissingPartsGiveAnInvalidRecord) {
    LogCapture log;
    const QString peer = QStringLiteral("10.77.0.23");
    const Info info = DeviceListenTCP::parseRecord(
        peer, QStringLiteral(R"({"eventid","arg1":","seq":"9",,"result":x,"payload":"})"));
    EXPECT_FALSE(info.isValid);
    EXPECT_TRUE(info.rawData.isEmpty());
    EXPECT_EQ(info.ip, peer);
    EXPECT_EQ(QStringList({info.eventId, info.arg1, info.arg2, info.result, info.payload}),
              QStringList({"", "", "", "", ""}));

    const QString prefix = QStringLiteral(
        "cameraIP: 10.77.0.23  the data parsed by the TCP server is undefined!   data: ");
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.hasError(prefix + QStringLiteral(R"("seq":"9")")));
    EXPECT_TRUE(log.lines()[1].endsWith(prefix)); // the empty piece between the commas
}

class DeviceListenTCPTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(listener.isListening()); }

    // A camera stand-in, connected from a loopback address of its own.
    std::unique_ptr<QTcpSocket> connectCamera(const char *from = "127.0.0.1") {
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(QHostAddress(QString::fromLatin1(from))));
        socket->connectToHost(QHostAddress::LocalHost, listener.serverPort());
        EXPECT_TRUE(socket->waitForConnected(deadlineMs)) << socket->errorString().toStdString();
        return socket;
    }
    static void send(QTcpSocket &socket, const QByteArray &bytes) {
        socket.write(bytes);
        while (socket.bytesToWrite() > 0)
            ASSERT_TRUE(socket.waitForBytesWritten(deadlineMs));
    }
    bool waitForRecords(qsizetype count) {
        QDeadlineTimer deadline(deadlineMs);
        while (spy.count() < count && !deadline.hasExpired())
            spy.wait(static_cast<int>(deadline.remainingTime()));
        return spy.count() == count;
    }
    Info received(qsizetype index) const { return spy.at(index).at(0).value<Info>(); }

    LogCapture log;
    DeviceListenTCP listener{nullptr, 0};
    QSignalSpy spy{&listener, &DeviceListenTCP::sigFeedbackInfo};
};

TEST_F(DeviceListenTCPTest, RecordsArriveInOrderWithThePeerAddressAndSplitOnesAreReassembled) {
    auto camera = connectCamera("127.0.0.2");
    const QByteArray invalid = R"({"eventid":"STATEMNG_SETTING","arg1":"PRESET","payload":"été"})";
    const QByteArray split = record("ADDRTSPSTREAM", "0");
    send(*camera, record("MEDIAMODE", "1080P30_HDR_SS") + "\r\n" + invalid + split.left(30));
    // Both whole records arriving proves the server has read the first half of the third.
    ASSERT_TRUE(waitForRecords(2));
    send(*camera, split.mid(30));
    ASSERT_TRUE(waitForRecords(3));

    EXPECT_TRUE(received(0).isValid);
    EXPECT_EQ(received(0).ip, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(received(0).payload, QStringLiteral("1080P30_HDR_SS"));
    EXPECT_FALSE(received(1).isValid);
    EXPECT_EQ(received(1).ip, QStringLiteral("127.0.0.2"));
    EXPECT_EQ(received(1).payload, QStringLiteral("été"));
    EXPECT_TRUE(received(2).isValid);
    EXPECT_EQ(received(2).rawData, QString::fromUtf8(split));
}

TEST_F(DeviceListenTCPTest, OversizedRecordIsDroppedWhileOtherCamerasAreServed) {
    auto flooding = connectCamera();
    auto quiet = connectCamera("127.0.0.3");
    send(*flooding, "{\"eventid\":\"" + QByteArray(DeviceListenTCP::maxPendingBytes + 100, 'x'));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.hasError(QStringLiteral("cameraIP: 127.0.0.1  event record too long")); },
        deadlineMs));

    const QByteArray fromQuiet = record("ROTATION", "OFF");
    send(*quiet, fromQuiet.left(20));
    send(*flooding, QByteArray(5000, 'y'));
    send(*quiet, fromQuiet.mid(20));
    ASSERT_TRUE(waitForRecords(1));
    EXPECT_EQ(received(0).ip, QStringLiteral("127.0.0.3"));
    EXPECT_TRUE(received(0).isValid);

    // Once the tail's '}' has passed, the same connection is read normally again.
    send(*flooding, "yyy\"}" + record("MEDIAMODE", "4K30"));
    ASSERT_TRUE(waitForRecords(2));
    EXPECT_EQ(received(1).ip, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(received(1).payload, QStringLiteral("4K30"));
}

// Anyone on the LAN can send to the port: a flood of records made of nothing but bad pieces
// costs a few log lines a second and one line summing up the rest, and the cameras' own
// records still come through.
TEST_F(DeviceListenTCPTest, AFloodOfBadPiecesCostsAFewLinesAndASummary) {
    auto flooding = connectCamera("127.0.0.4");
    const QByteArray bad = "{" + QByteArray(DeviceListenTCP::maxPendingBytes - 8, ',') + "}";
    for (int i = 0; i < 100; ++i)
        send(*flooding, bad);
    send(*flooding, record("ROTATION", "ON"));
    ASSERT_TRUE(waitForRecords(101));
    EXPECT_TRUE(received(100).isValid);
    flooding->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.hasError(QStringLiteral("error lines about its input suppressed")); },
        deadlineMs));

    const QStringList lines = log.lines();
    const qsizetype fromFlood = std::count_if(lines.begin(), lines.end(), [](const QString &line) {
        return line.contains(QStringLiteral("cameraIP: 127.0.0.4"));
    });
    EXPECT_LE(fromFlood, 4 * PeerLogLimit::linesPerSecond + 4) << fromFlood;
    EXPECT_TRUE(log.hasError(QStringLiteral("cameraIP: 127.0.0.4  ")));
}

TEST_F(DeviceListenTCPTest, DisconnectedCameraIsForgotten) {
    auto camera = connectCamera();
    send(*camera, record("VIDEOMODE", "PAL"));
    ASSERT_TRUE(waitForRecords(1));
    EXPECT_EQ(listener.findChildren<QTcpSocket *>().size(), 1);
    camera->disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.findChildren<QTcpSocket *>().isEmpty(); },
                                deadlineMs));
}

// Anyone on the LAN can open connections: those from addresses that are not cameras go at once
// (named in the log once a minute), and a camera's own pile of connections is held to a bound
// by closing the longest idle, so the events of a fresh connection still arrive.
TEST_F(DeviceListenTCPTest, StrangersAreClosedAtOnceAndIdleConnectionsAreBounded) {
    listener.setCameraCheck([](const QString &ip) { return ip == QStringLiteral("127.0.0.2"); });
    std::vector<std::unique_ptr<QTcpSocket>> strangers;
    for (int i = 0; i < 3; ++i)
        strangers.push_back(connectCamera("127.0.0.9"));
    for (auto &stranger : strangers)
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return stranger->state() == QAbstractSocket::UnconnectedState; }, deadlineMs));
    EXPECT_EQ(log.lines().filter(QStringLiteral("connections from 127.0.0.9 are closed")).size(),
              1);

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (qsizetype i = 0; i < DeviceListenTCP::maxConnections + 8; ++i) {
        idle.push_back(connectCamera("127.0.0.2"));
        QTest::qWait(1); // each arrives after the one before
    }
    auto camera = connectCamera("127.0.0.2");
    send(*camera, record("ROTATION", "ON"));
    ASSERT_TRUE(waitForRecords(1));
    EXPECT_EQ(received(0).payload, QStringLiteral("ON"));
    EXPECT_LE(listener.findChildren<QTcpSocket *>().size(), DeviceListenTCP::maxConnections);
    // The first to come and never speak were the ones closed.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return idle.front()->state() == QAbstractSocket::UnconnectedState; }, deadlineMs));
    EXPECT_EQ(idle.back()->state(), QAbstractSocket::ConnectedState);
    // Eight were closed within a second: the peer's line budget holds across its connections.
    const qsizetype closedLines =
        log.lines().filter(QStringLiteral("closed to make room: at most 32 are kept")).size();
    EXPECT_GE(closedLines, 1);
    EXPECT_LE(closedLines, PeerLogLimit::linesPerSecond);
}

// Out of descriptors, an accept fails; the listener must say so and take connections again once
// descriptors are back, not go deaf for the rest of the run.
TEST_F(DeviceListenTCPTest, AfterRunningOutOfDescriptorsItAcceptsAgain) {
    const int raw = ::socket(AF_INET, SOCK_STREAM, 0); // made before the squeeze
    ASSERT_GE(raw, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(listener.serverPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    {
        DescriptorSqueeze squeeze;
        ASSERT_TRUE(squeeze.isActive());
        ASSERT_EQ(::connect(raw, reinterpret_cast<const sockaddr *>(&to), sizeof to), 0);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return log.hasError(QStringLiteral("event listener cannot accept")); },
            deadlineMs));
    }
    const QByteArray bytes = record("VIDEOMODE", "NTSC");
    ASSERT_EQ(::write(raw, bytes.constData(), bytes.size()), bytes.size());
    EXPECT_TRUE(waitForRecords(1));
    EXPECT_TRUE(log.lines().filter(QStringLiteral("accepts connections again")).size() == 1);
    ::close(raw);
}

// Valid records faster than the engine applies them fill its queue: the drops cost a line when
// it fills and a line with their count when it has room again, not a line per event.
TEST(EventQueueTest, AFullQueueCostsTwoLinesNotOnePerDroppedEvent) {
    CameraRecords records;
    EventApplier applier(records, nullptr);
    const Info info = DeviceListenTCP::parseRecord(QStringLiteral("10.77.0.20"),
                                                   QString::fromUtf8(record("ROTATION", "ON")));
    LogCapture log;
    for (qsizetype i = 0; i < EventApplier::maxQueuedEvents + 500; ++i)
        applier.enqueue(info);
    applier.applyNext();
    applier.enqueue(info);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2) << qPrintable(lines.join(u'\n'));
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral("event queue full: events are dropped until it has room, the first:")));
    EXPECT_TRUE(lines[1].contains(
        QStringLiteral("event queue has room again; 500 events were dropped while it was full")));
}

TEST_F(DeviceListenTCPTest, PortAlreadyTakenIsLoggedWithItsNumber) {
    DeviceListenTCP second(nullptr, listener.serverPort());
    EXPECT_FALSE(second.isListening());
    EXPECT_TRUE(log.hasError(QString::number(listener.serverPort())));
}

} // namespace
