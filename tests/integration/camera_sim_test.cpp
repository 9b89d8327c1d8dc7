// torvi-sim as KestraLive meets it on loopback: the CGI replies read with the
// program's own rules, the event connection to the PC, and every fault the
// control channel switches on.
#include "support/childprocess.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QString simulator = QStringLiteral(TORVI_SIM);
constexpr int deadlineMs = 5000;
const QString cgi = QStringLiteral("/cgi-bin/hisnet/");
const QString okKey = cgi + QStringLiteral("sendclickkey.cgi?&-type=KEY_OK");
const QString setParam = cgi + QStringLiteral("setworkmodeparam.cgi?&-workmode=NORM_REC&-type=");
const QString getParam = cgi + QStringLiteral("getworkmodeparam.cgi?&-workmode=NORM_REC&-type=");
const QString registerPc = cgi + QStringLiteral("client.cgi?&-operation=register&-ip=");

// Wakes on every event, so data is seen as soon as it arrives; socket reads
// must not be merged by a polling pause.
bool waitUntil(const std::function<bool()> &done, int ms = deadlineMs) {
    const QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QByteArray record(const QByteArray &arg1, const QByteArray &payload,
                  const QByteArray &result = "SUCCESS") {
    return R"({"eventid":"STATEMNG_SETTING","arg1":")" + arg1 +
           R"(","arg2":"NORM_REC","result":")" + result + R"(","payload":")" + payload + R"("})";
}

// The value reading rule of the program: split on `="`, take piece n
// (counting from 1) and cut it at its first double quote.
QString piece(const QByteArray &body, int n) {
    const QStringList pieces = QString::fromUtf8(body).split(QStringLiteral("=\""));
    return n <= pieces.size() ? pieces[n - 1].section(u'"', 0, 0) : QString();
}

// The PC's event port. Keeps each read apart, so tests see how the records
// were cut into TCP writes.
class EventListener {
public:
    EventListener() {
        clock.start();
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++connections;
                m_sockets.append(socket);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    reads.append(socket->readAll());
                    readTimes.append(clock.elapsed());
                });
            }
        });
    }
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0) {
        return m_server.listen(address, port);
    }
    quint16 port() const { return m_server.serverPort(); }
    void close() { m_server.close(); }
    void dropConnections() {
        for (QTcpSocket *socket : std::as_const(m_sockets))
            socket->abort();
        m_sockets.clear();
    }
    QByteArray received() const { return reads.join(); }
    bool waitForRecords(qsizetype n) {
        return waitUntil([&] { return received().count('}') >= n; });
    }

    int connections = 0;
    QList<QByteArray> reads;
    QList<qint64> readTimes; // ms since construction, one per read
    QElapsedTimer clock;

private:
    QTcpServer m_server;
    QList<QTcpSocket *> m_sockets;
};

struct Reply {
    int status = 0;
    QByteArray head;
    QByteArray body;
};

class CameraSimTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pc.listen()); }

    // Starts the camera on loopback, its events going to pc.
    bool start(const QStringList &extra = {}) {
        const QStringList args =
            QStringList{QStringLiteral("--address"),    QStringLiteral("127.0.0.1"),
                        QStringLiteral("--http-port"),  QStringLiteral("0"),
                        QStringLiteral("--event-port"), QString::number(pc.port())} +
            extra;
        if (!sim.start(simulator, args) ||
            !sim.waitForOutput(QStringLiteral("ready http=127.0.0.1:"), deadlineMs))
            return false;
        const auto match = QRegularExpression(QStringLiteral("ready http=127\\.0\\.0\\.1:(\\d+)\n"))
                               .match(sim.standardOutput());
        httpPort = match.captured(1).toUShort();
        return httpPort != 0;
    }

    std::unique_ptr<QTcpSocket> send(const QString &target) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, httpPort);
        if (socket->waitForConnected(deadlineMs))
            socket->write("GET " + target.toUtf8() +
                          " HTTP/1.1\r\nHost: 127.0.0.1\r\nCache-Control: no-cache\r\n\r\n");
        return socket;
    }

    Reply get(const QString &target) {
        const std::unique_ptr<QTcpSocket> socket = send(target);
        QByteArray data;
        QObject::connect(socket.get(), &QTcpSocket::readyRead, socket.get(),
                         [&] { data += socket->readAll(); });
        waitUntil([&] { return socket->state() == QAbstractSocket::UnconnectedState; });
        data += socket->readAll();
        Reply reply;
        const qsizetype end = data.indexOf("\r\n\r\n");
        reply.head = data.left(end);
        reply.body = end < 0 ? QByteArray() : data.mid(end + 4);
        const QList<QByteArray> statusLine = reply.head.left(reply.head.indexOf("\r\n")).split(' ');
        reply.status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
        return reply;
    }

    qsizetype count(const QString &text) const { return sim.standardOutput().count(text); }
    bool waitForCount(const QString &text, qsizetype n) {
        return waitUntil([&] { return count(text) >= n; });
    }
    bool command(const QString &line) {
        const QString answer = QStringLiteral("ok ") + line + u'\n';
        const qsizetype before = count(answer);
        return sim.write(line.toUtf8()) && waitForCount(answer, before + 1);
    }
    QString state() {
        if (!command(QStringLiteral("state")))
            return {};
        const QStringList lines = sim.standardOutput().split(u'\n');
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            if (line->startsWith(QStringLiteral("state ")))
                return *line;
        }
        return {};
    }
    bool connectEvents(const QString &ip = QStringLiteral("127.0.0.1")) {
        const QString up = QStringLiteral("event connection up ") + ip;
        const qsizetype before = count(up);
        return get(registerPc + ip).body.contains("Success") && waitForCount(up, before + 1);
    }

    EventListener pc;
    ChildProcess sim;
    quint16 httpPort = 0;
};

TEST_F(CameraSimTest, RepliesCarryTheStartupSettingsWhereTheProgramReadsThem) {
    ASSERT_TRUE(start({"--uid", "A1B2C3D4E5F6", "--softversion", "V2.3.4", "--live", "--media-mode",
                       "4K30", "--video-mode", "NTSC", "--rotation", "ON", "--battery", "42",
                       "--charge", "0", "--ac", "1", "--work-mode", "normal"}))
        << sim.describe().toStdString();

    const Reply attributes = get(cgi + QStringLiteral("getdeviceattr.cgi"));
    EXPECT_EQ(attributes.status, 200);
    EXPECT_EQ(piece(attributes.body, 2), "A1B2C3D4E5F6");
    EXPECT_TRUE(attributes.body.contains("var softversion=\"V2.3.4\";"))
        << attributes.body.toStdString();
    EXPECT_TRUE(
        attributes.head.contains("Content-Length: " + QByteArray::number(attributes.body.size())));
    EXPECT_TRUE(attributes.head.contains("Connection: close"));

    const Reply battery = get(cgi + QStringLiteral("getbatterycapacity.cgi"));
    EXPECT_EQ(battery.body, "var capacity=\"42\";\r\nvar charge=\"0\";\r\nvar ac=\"1\";\r\n");
    EXPECT_EQ(piece(battery.body, 2), "42");
    EXPECT_EQ(piece(battery.body, 3), "0");
    EXPECT_EQ(piece(battery.body, 4), "1");

    EXPECT_EQ(get(cgi + QStringLiteral("getcamstate.cgi")).body, "var living=\"true\";\r\n");
    EXPECT_EQ(get(getParam + QStringLiteral("MEDIAMODE")).body, "var value=\"4K30\";\r\n");
    EXPECT_EQ(piece(get(getParam + QStringLiteral("VIDEOMODE")).body, 2), "NTSC");
    EXPECT_EQ(piece(get(getParam + QStringLiteral("ROTATION")).body, 2), "ON");
    const QString mode = cgi + QStringLiteral("getcommparam.cgi?&-type=NORMRECMODE");
    EXPECT_EQ(get(mode).body, "var value=\"normal\";\r\n");
    EXPECT_EQ(state(), "state live=1 media=4K30 video=NTSC rotation=ON battery=42 charge=0 ac=1 "
                       "mode=normal");

    ASSERT_TRUE(command(QStringLiteral("work-mode wireless")));
    ASSERT_TRUE(command(QStringLiteral("battery 101 1 1")));
    EXPECT_EQ(get(mode).body, "var value=\"wireless\";\r\n");
    EXPECT_EQ(piece(get(cgi + QStringLiteral("getbatterycapacity.cgi")).body, 2), "101");

    EXPECT_EQ(count(QStringLiteral("request ") + mode + u'\n'), 2);
}

TEST_F(CameraSimTest, UnknownPathsAre404AndInvalidCommandsChangeNothing) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    EXPECT_EQ(get(QStringLiteral("/index.html")).status, 404);
    EXPECT_EQ(get(cgi + QStringLiteral("reboot.cgi")).status, 404);
    ASSERT_TRUE(connectEvents());

    for (const QString &target : {setParam + QStringLiteral("MEDIAMODE&-value=8K60"),
                                  setParam + QStringLiteral("VIDEOMODE&-value=SECAM"),
                                  setParam + QStringLiteral("ROTATION&-value=UPSIDE"),
                                  cgi + QStringLiteral("sendclickkey.cgi?&-type=KEY_MENU"),
                                  registerPc + QStringLiteral("not-an-address")}) {
        const Reply reply = get(target);
        EXPECT_EQ(reply.status, 200) << target.toStdString();
        EXPECT_FALSE(reply.body.isEmpty()) << target.toStdString();
        EXPECT_FALSE(reply.body.contains("Success")) << target.toStdString();
    }
    EXPECT_FALSE(get(getParam + QStringLiteral("SHARPNESS")).body.contains("value"));
    EXPECT_EQ(state(), "state live=0 media=1080P30_HDR_SS video=PAL rotation=OFF battery=87 "
                       "charge=1 ac=1 mode=wireless");

    // Nothing was confirmed: the first record the PC gets is this one.
    ASSERT_TRUE(command(QStringLiteral("push MARK x")));
    ASSERT_TRUE(pc.waitForRecords(1));
    EXPECT_EQ(pc.received(), record("MARK", "x"));
}

TEST_F(CameraSimTest, QtClientReadsRepliesAndTimesOutOnADelayedOne) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    auto fetch = [&](int timeoutMs, QByteArray *body) {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2getcamstate.cgi").arg(httpPort).arg(cgi)));
        request.setTransferTimeout(timeoutMs);
        request.setRawHeader("Cache-Control", "no-cache");
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        waitUntil([&] { return reply->isFinished(); });
        *body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
        return reply->error();
    };

    QByteArray body;
    EXPECT_EQ(fetch(deadlineMs, &body), QNetworkReply::NoError);
    EXPECT_EQ(body, "var living=\"false\";\r\n");

    ASSERT_TRUE(command(QStringLiteral("delay 300")));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(fetch(deadlineMs, &body), QNetworkReply::NoError);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_EQ(body, "var living=\"false\";\r\n");

    ASSERT_TRUE(command(QStringLiteral("delay 3000")));
    EXPECT_EQ(fetch(200, &body), QNetworkReply::OperationCanceledError);
}

TEST_F(CameraSimTest, OkKeyTogglesLiveAndConfirmsEachPressAfterReplying) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    EXPECT_EQ(get(okKey).body, "Success\r\n");
    EXPECT_TRUE(waitForCount(QStringLiteral("event dropped "), 1)) << "no PC registered yet";

    ASSERT_TRUE(connectEvents()) << sim.describe().toStdString();
    EXPECT_TRUE(sim.standardOutput().contains(QStringLiteral("registered 127.0.0.1\n")));
    EXPECT_EQ(get(okKey).body, "Success\r\n");
    EXPECT_EQ(get(cgi + QStringLiteral("getcamstate.cgi")).body, "var living=\"false\";\r\n");
    EXPECT_EQ(get(okKey).body, "Success\r\n");
    EXPECT_EQ(get(cgi + QStringLiteral("getcamstate.cgi")).body, "var living=\"true\";\r\n");
    ASSERT_TRUE(pc.waitForRecords(2));
    EXPECT_EQ(
        pc.received(),
        R"({"eventid":"STATEMNG_SETTING","arg1":"ADDRTSPSTREAM","arg2":"NORM_REC","result":"SUCCESS","payload":"0"})"
        R"({"eventid":"STATEMNG_SETTING","arg1":"ADDRTSPSTREAM","arg2":"NORM_REC","result":"SUCCESS","payload":"1"})");

    // A camera confirms after answering.
    const QString out = sim.standardOutput();
    EXPECT_LT(out.lastIndexOf(QStringLiteral("reply 200 ") + okKey),
              out.lastIndexOf(QStringLiteral("event sent ")));
}

TEST_F(CameraSimTest, SettersStoreTheValueAndConfirmItEvenWhenUnchanged) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(connectEvents());
    for (const QString &setting :
         {QStringLiteral("VIDEOMODE&-value=NTSC"), QStringLiteral("MEDIAMODE&-value=1080P60"),
          QStringLiteral("ROTATION&-value=ON"), QStringLiteral("ROTATION&-value=ON")})
        EXPECT_EQ(get(setParam + setting).body, "Success\r\n") << setting.toStdString();
    ASSERT_TRUE(pc.waitForRecords(4));
    EXPECT_EQ(pc.received(), record("VIDEOMODE", "NTSC") + record("MEDIAMODE", "1080P60") +
                                 record("ROTATION", "ON") + record("ROTATION", "ON"));
    EXPECT_EQ(get(getParam + QStringLiteral("MEDIAMODE")).body, "var value=\"1080P60\";\r\n");
    EXPECT_TRUE(state().contains(QStringLiteral("media=1080P60 video=NTSC rotation=ON")));

    ASSERT_TRUE(command(QStringLiteral("live on")));
    ASSERT_TRUE(command(QStringLiteral("push PRESET indoor")));
    ASSERT_TRUE(command(QStringLiteral("push MEDIAMODE 4K30 FAILURE")));
    ASSERT_TRUE(command(QStringLiteral("push-raw {\"eventid\": \"garbage\"}")));
    ASSERT_TRUE(pc.waitForRecords(8));
    EXPECT_TRUE(pc.received().endsWith(record("ADDRTSPSTREAM", "1") + record("PRESET", "indoor") +
                                       record("MEDIAMODE", "4K30", "FAILURE") +
                                       "{\"eventid\": \"garbage\"}"));
    EXPECT_TRUE(state().startsWith(QStringLiteral("state live=1 ")));
}

TEST_F(CameraSimTest, EventConnectionRetriesFollowsDropsAndMovesToANewPc) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    const quint16 port = pc.port();
    pc.close();
    EXPECT_TRUE(get(registerPc + QStringLiteral("127.0.0.1")).body.contains("Success"));
    ASSERT_TRUE(waitForCount(QStringLiteral("event connection failed 127.0.0.1"), 2))
        << "retries while the PC does not listen";
    ASSERT_TRUE(pc.listen(QHostAddress::LocalHost, port));
    ASSERT_TRUE(waitForCount(QStringLiteral("event connection up 127.0.0.1"), 1));
    ASSERT_TRUE(waitUntil([&] { return pc.connections == 1; }));

    pc.dropConnections();
    ASSERT_TRUE(waitForCount(QStringLiteral("event connection down 127.0.0.1"), 1));
    ASSERT_TRUE(waitForCount(QStringLiteral("event connection up 127.0.0.1"), 2));
    ASSERT_TRUE(waitUntil([&] { return pc.connections == 2; }));

    // Registering the same PC again keeps the connection it has.
    EXPECT_TRUE(get(registerPc + QStringLiteral("127.0.0.1")).body.contains("Success"));
    EXPECT_TRUE(waitForCount(QStringLiteral("registered 127.0.0.1"), 2));

    EventListener other;
    ASSERT_TRUE(other.listen(QHostAddress(QStringLiteral("127.0.0.2")), port));
    ASSERT_TRUE(connectEvents(QStringLiteral("127.0.0.2")));
    EXPECT_EQ(count(QStringLiteral("event connection down 127.0.0.1")), 2);
    ASSERT_TRUE(command(QStringLiteral("live on")));
    ASSERT_TRUE(other.waitForRecords(1));
    EXPECT_EQ(other.received(), record("ADDRTSPSTREAM", "1"));
    EXPECT_EQ(pc.connections, 2);
}

TEST_F(CameraSimTest, NoSuccessAndHttp500RefuseCommandsWithoutActing) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(connectEvents());

    ASSERT_TRUE(command(QStringLiteral("no-success on")));
    for (const QString &target : {okKey, setParam + QStringLiteral("MEDIAMODE&-value=4K30"),
                                  registerPc + QStringLiteral("127.0.0.1")}) {
        const Reply reply = get(target);
        EXPECT_EQ(reply.status, 200);
        EXPECT_FALSE(reply.body.contains("Success")) << reply.body.toStdString();
    }
    EXPECT_EQ(get(getParam + QStringLiteral("MEDIAMODE")).body,
              "var value=\"1080P30_HDR_SS\";\r\n");
    ASSERT_TRUE(command(QStringLiteral("no-success off")));

    ASSERT_TRUE(command(QStringLiteral("http-500 on")));
    EXPECT_EQ(get(okKey).status, 500);
    EXPECT_EQ(get(cgi + QStringLiteral("getcamstate.cgi")).status, 500);
    ASSERT_TRUE(command(QStringLiteral("http-500 off")));

    EXPECT_EQ(count(QStringLiteral("registered ")), 1);
    EXPECT_TRUE(state().startsWith(QStringLiteral("state live=0 media=1080P30_HDR_SS ")));
    ASSERT_TRUE(command(QStringLiteral("push MARK x")));
    ASSERT_TRUE(pc.waitForRecords(1));
    EXPECT_EQ(pc.received(), record("MARK", "x"));
}

TEST_F(CameraSimTest, WithheldEventsAreNotPushedWhileTheChangeStillApplies) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(connectEvents());
    ASSERT_TRUE(command(QStringLiteral("withhold MEDIAMODE")));
    EXPECT_EQ(get(setParam + QStringLiteral("MEDIAMODE&-value=4K30_HDR")).body, "Success\r\n");
    EXPECT_EQ(get(setParam + QStringLiteral("ROTATION&-value=ON")).body, "Success\r\n");
    ASSERT_TRUE(pc.waitForRecords(1));
    EXPECT_EQ(pc.received(), record("ROTATION", "ON"));
    EXPECT_TRUE(state().contains(QStringLiteral("media=4K30_HDR ")));

    ASSERT_TRUE(command(QStringLiteral("withhold all")));
    EXPECT_EQ(get(okKey).body, "Success\r\n");
    ASSERT_TRUE(command(QStringLiteral("withhold none")));
    EXPECT_EQ(get(setParam + QStringLiteral("MEDIAMODE&-value=4K30")).body, "Success\r\n");
    ASSERT_TRUE(pc.waitForRecords(2));
    EXPECT_EQ(pc.received(), record("ROTATION", "ON") + record("MEDIAMODE", "4K30"));
}

TEST_F(CameraSimTest, SplitEventsArriveInTwoReadsAndPairedEventsInOne) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(connectEvents());

    ASSERT_TRUE(command(QStringLiteral("split-events on")));
    EXPECT_EQ(get(okKey).body, "Success\r\n");
    ASSERT_TRUE(pc.waitForRecords(1));
    ASSERT_EQ(pc.reads.size(), 2);
    EXPECT_FALSE(pc.reads[0].contains('}'));
    EXPECT_EQ(pc.reads[0] + pc.reads[1], record("ADDRTSPSTREAM", "1"));
    EXPECT_GE(pc.readTimes[1] - pc.readTimes[0], 40) << "the halves leave about 50 ms apart";
    ASSERT_TRUE(command(QStringLiteral("split-events off")));
    pc.reads.clear();
    pc.readTimes.clear();

    ASSERT_TRUE(command(QStringLiteral("pair-events on")));
    EXPECT_EQ(get(setParam + QStringLiteral("VIDEOMODE&-value=NTSC")).body, "Success\r\n");
    ASSERT_TRUE(waitForCount(QStringLiteral("event held "), 1));
    EXPECT_EQ(get(setParam + QStringLiteral("ROTATION&-value=ON")).body, "Success\r\n");
    ASSERT_TRUE(pc.waitForRecords(2));
    ASSERT_EQ(pc.reads.size(), 1);
    EXPECT_EQ(pc.reads[0], record("VIDEOMODE", "NTSC") + record("ROTATION", "ON"));

    // Ending pairing sends what is held.
    ASSERT_TRUE(command(QStringLiteral("push MARK x")));
    ASSERT_TRUE(command(QStringLiteral("pair-events off")));
    ASSERT_TRUE(pc.waitForRecords(3));
    EXPECT_EQ(pc.reads.last(), record("MARK", "x"));
}

TEST_F(CameraSimTest, SilentCameraAcceptsButNeverAnswersNorActs) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    ASSERT_TRUE(connectEvents());
    ASSERT_TRUE(command(QStringLiteral("silent on")));
    const std::unique_ptr<QTcpSocket> unanswered = send(okKey);
    ASSERT_TRUE(waitForCount(QStringLiteral("request ") + okKey, 1));
    ASSERT_TRUE(command(QStringLiteral("silent off")));

    // Requests are served in order, so an answer would have come first.
    EXPECT_EQ(get(cgi + QStringLiteral("getcamstate.cgi")).body, "var living=\"false\";\r\n");
    EXPECT_EQ(unanswered->state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(unanswered->bytesAvailable(), 0);
    ASSERT_TRUE(command(QStringLiteral("push MARK x")));
    ASSERT_TRUE(pc.waitForRecords(1));
    EXPECT_EQ(pc.received(), record("MARK", "x"));
}

TEST_F(CameraSimTest, ControlChannelAnswersEveryLineAndQuitsOnRequest) {
    ASSERT_TRUE(start()) << sim.describe().toStdString();
    for (const QByteArray &line :
         {QByteArray("dance"), QByteArray("delay soon"), QByteArray("battery 50 2 1"),
          QByteArray("live maybe"), QByteArray("work-mode sleepy"), QByteArray("push MEDIAMODE")})
        ASSERT_TRUE(sim.write(line));
    ASSERT_TRUE(waitForCount(QStringLiteral("error "), 6)) << sim.describe().toStdString();
    EXPECT_TRUE(sim.standardOutput().contains(QStringLiteral("error unknown command dance")));
    EXPECT_EQ(count(QStringLiteral("ok ")), 0);

    // "help" lists every command the channel knows, as --help does.
    ASSERT_TRUE(command(QStringLiteral("help")));
    for (const char *listed : {"  push-raw <text>", "  rtsp stall on|off", "  split-events on|off",
                               "  mdns-address <IPv4>", "  quit"})
        EXPECT_TRUE(sim.standardOutput().contains(QLatin1String(listed))) << listed;

    ASSERT_TRUE(command(QStringLiteral("quit")));
    ASSERT_TRUE(sim.waitForExit(deadlineMs));
    EXPECT_EQ(sim.exitCode(), 0);

    ASSERT_TRUE(start()) << sim.describe().toStdString();
    sim.terminate();
    EXPECT_EQ(sim.exitCode(), 0) << "SIGTERM is a normal end";
}

TEST_F(CameraSimTest, BadCommandLinesExitWith2AndABusyAddressWith1) {
    const QList<QStringList> invalid = {{"--video-mode", "SECAM"},
                                        {"--media-mode", "8K"},
                                        {"--rotation", "yes"},
                                        {"--http-port", "70000"},
                                        {"--battery", "5", "--charge", "2"},
                                        {"--address", "camera.lan"},
                                        {"--uid", "A1\"B2"},
                                        {"--work-mode", "busy"},
                                        {"--frobnicate"},
                                        {"stray"}};
    for (const QStringList &args : invalid) {
        ChildProcess bad;
        ASSERT_TRUE(bad.start(simulator, args));
        ASSERT_TRUE(bad.waitForExit(deadlineMs));
        EXPECT_EQ(bad.exitCode(), 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(bad.standardError().contains(QStringLiteral("torvi-sim: ")))
            << bad.describe().toStdString();
        EXPECT_FALSE(bad.standardOutput().contains(QStringLiteral("ready")));
    }

    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(taken.serverPort());
    ChildProcess busy;
    ASSERT_TRUE(busy.start(simulator, {"--address", "127.0.0.1", "--http-port", port}));
    ASSERT_TRUE(busy.waitForExit(deadlineMs));
    EXPECT_EQ(busy.exitCode(), 1);
    EXPECT_TRUE(busy.standardError().contains(QStringLiteral("127.0.0.1:") + port))
        << busy.describe().toStdString();
}

} // namespace
