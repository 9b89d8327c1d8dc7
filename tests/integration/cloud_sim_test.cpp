// cloud-sim over real HTTP on loopback, as KestraLive's sign-in window and
// update check meet it: the validation of account requests, both ways of
// signing in, token rotation and revocation, and the update check and
// download in their fault modes. The request log is checked through the
// driver, since tests of the program rely on it.
#include "support/cloudsim.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <zbar.h>

namespace {

const QString phone = QStringLiteral("13800000001");
const QString email = QStringLiteral("user@example.com");

struct Answer {
    int status = 0; // HTTP status, 0 when none came
    QJsonObject json;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    qint64 announced = -1; // Content-Length, -1 when absent
};

class Client {
public:
    Client() { m_nam.setProxy(QNetworkProxy::NoProxy); }

    // body null: no body and no Content-Type, as the token calls go out.
    Answer call(const QByteArray &method, const QString &url, const QByteArray &body = {},
                const QString &auth = {}, int transferTimeoutMs = 5000) {
        QNetworkRequest request{QUrl(url)};
        request.setTransferTimeout(transferTimeoutMs);
        if (!body.isNull())
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!auth.isEmpty())
            request.setRawHeader("Authorization", auth.toLatin1());
        QNetworkReply *reply = m_nam.sendCustomRequest(request, method, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        loop.exec();
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->isOpen() ? reply->readAll() : QByteArray();
        answer.json = QJsonDocument::fromJson(answer.body).object();
        answer.error = reply->isFinished() ? reply->error() : QNetworkReply::TimeoutError;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        answer.announced = length.isValid() ? length.toLongLong() : -1;
        reply->abort();
        reply->deleteLater();
        return answer;
    }

private:
    QNetworkAccessManager m_nam;
};

class CloudSimTest : public ::testing::Test {
protected:
    void startSim(const QStringList &options = {}) {
        ASSERT_TRUE(m_sim.start(options)) << m_sim.process().describe().toStdString();
    }
    QString url(const QString &path) const {
        return QStringLiteral("http://") + m_sim.host() + path;
    }
    Answer post(const QString &endpoint, const QByteArray &json) {
        return m_client.call("POST", url(QStringLiteral("/v1/stream/user/") + endpoint), json);
    }
    Answer tokenCall(const QString &endpoint, const QString &token) {
        return m_client.call("POST", url(QStringLiteral("/v1/stream/user/") + endpoint), {}, token);
    }
    Answer version(const QString &current, int transferTimeoutMs = 5000) {
        return m_client.call("GET",
                             url(QStringLiteral("/v1/stream/app/client/version/info/") + current),
                             {}, {}, transferTimeoutMs);
    }
    Answer login(const QString &account, const QString &code) {
        const int type = account.contains(u'@') ? 3 : 4;
        return post(QStringLiteral("check/code/login"),
                    QStringLiteral(R"({"type":%1,"account":"%2","check_code":"%3",)"
                                   R"("app_id":"kestra_pc","app_type":"pc"})")
                        .arg(type)
                        .arg(account, code)
                        .toUtf8());
    }

    CloudSim m_sim;
    Client m_client;
};

int code(const Answer &answer) {
    return answer.json.value(QStringLiteral("code")).toInt(-1);
}

// const, so that [] reads.
const QJsonObject data(const Answer &answer) {
    return answer.json.value(QStringLiteral("data")).toObject();
}

// The text of the first QR code zbar finds in a greyscale picture.
QString decodeQr(const QImage &picture) {
    using namespace zbar; // the C interface, which zbar.h puts in a namespace for C++
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QByteArray pixels;
    for (int y = 0; y < grey.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(grey.constScanLine(y)), grey.width());
    zbar_image_scanner_t *scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
    zbar_image_t *image = zbar_image_create();
    zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(image, grey.width(), grey.height());
    zbar_image_set_data(image, pixels.constData(), pixels.size(), nullptr);
    QString text;
    if (zbar_scan_image(scanner, image) > 0)
        text = QString::fromUtf8(zbar_symbol_get_data(zbar_image_first_symbol(image)));
    zbar_image_destroy(image);
    zbar_image_scanner_destroy(scanner);
    return text;
}

} // namespace

TEST_F(CloudSimTest, CodeSignInChecksRequestsAndUsesEachCodeOnce) {
    startSim(
        {QStringLiteral("--account"), phone, QStringLiteral("--code-ttl"), QStringLiteral("2")});

    // What a real service refuses before looking at the account.
    EXPECT_EQ(post(QStringLiteral("send/code"), R"({"type":3,"account":"13800000001"})").status,
              400);
    EXPECT_EQ(post(QStringLiteral("send/code"),
                   R"({"type":"3","account":"13800000001","platform_type":1})")
                  .status,
              400);
    EXPECT_EQ(
        post(QStringLiteral("send/code"), R"({"type":3,"account":"1380000","platform_type":1})")
            .status,
        400);
    EXPECT_EQ(post(QStringLiteral("send/code"), "[1,2]").status, 400);
    EXPECT_EQ(m_client.call("GET", url(QStringLiteral("/v1/stream/user/send/code"))).status, 405);
    EXPECT_EQ(m_client.call("POST", url(QStringLiteral("/v1/stream/user/nothing")), "{}").status,
              404);

    const Answer sent = post(QStringLiteral("send/code"),
                             R"({"type":3,"account":"13800000001","platform_type":1})");
    EXPECT_EQ(sent.status, 200);
    EXPECT_EQ(code(sent), 0) << sent.body.toStdString();
    const QString first = m_sim.lastCode(phone);
    ASSERT_EQ(first.size(), 6);

    // The log gives the body back as JSON, for tests of what the program sent.
    ASSERT_TRUE(m_sim.waitForRequest(QStringLiteral("send/code"), 1000, 6));
    const CloudSim::Request logged = m_sim.requests().last();
    EXPECT_EQ(logged.method, QStringLiteral("POST"));
    EXPECT_EQ(logged.path, QStringLiteral("/v1/stream/user/send/code"));
    EXPECT_TRUE(logged.auth.isEmpty());
    EXPECT_EQ(QJsonDocument::fromJson(logged.body.toUtf8())[QStringLiteral("platform_type")], 1);

    EXPECT_EQ(code(login(email, QStringLiteral("123456"))), 2005);
    const QString wrong =
        first == QLatin1String("000000") ? QStringLiteral("111111") : QStringLiteral("000000");
    EXPECT_EQ(code(login(phone, wrong)), 2009);
    const Answer signedIn = login(phone, first);
    ASSERT_EQ(code(signedIn), 0) << signedIn.body.toStdString();
    EXPECT_EQ(data(signedIn)[QStringLiteral("token")].toString().size(), 32);
    EXPECT_FALSE(data(signedIn)[QStringLiteral("refresh_token")].toString().isEmpty());
    EXPECT_EQ(data(signedIn)[QStringLiteral("user_info")][QStringLiteral("phone_num")], phone);
    EXPECT_EQ(code(login(phone, first)), 2009) << "a code signs in once";

    // A code that has outlived --code-ttl no longer works.
    post(QStringLiteral("send/code"), R"({"type":3,"account":"13800000001","platform_type":1})");
    ASSERT_TRUE(m_sim.control(QStringLiteral("code ") + phone));
    const QString late = m_sim.lastCode(phone);
    QTest::qWait(2200);
    EXPECT_EQ(code(login(phone, late)), 2009);

    // Five attempts a minute, counted with the ones above; and a forced refusal.
    ASSERT_TRUE(m_sim.control(QStringLiteral("account add ") + email));
    ASSERT_TRUE(m_sim.control(QStringLiteral("next login 2001")));
    EXPECT_EQ(code(login(email, QStringLiteral("123456"))), 2001);
    EXPECT_EQ(code(login(email, QStringLiteral("123456"))), 2009);
    EXPECT_EQ(code(login(phone, wrong)), 2009) << "the fifth attempt";
    EXPECT_EQ(code(login(phone, wrong)), 2001) << "the sixth";
}

TEST_F(CloudSimTest, QrSignInShowsARealCodeAndFollowsThePhone) {
    startSim({QStringLiteral("--account"), email});
    const QByteArray mac = R"("mac":"00:11:22:33:44:55")";

    const Answer got = post(QStringLiteral("qrcode/get"), "{" + mac + "}");
    ASSERT_EQ(code(got), 0) << got.body.toStdString();
    const QString id = data(got)[QStringLiteral("qr_code")].toString();
    ASSERT_FALSE(id.isEmpty());
    EXPECT_GT(data(got)[QStringLiteral("qr_code_expire")].toInt(), 0);
    const QString img = data(got)[QStringLiteral("qr_code_img")].toString();
    const QString prefix = QStringLiteral("data:image/png;base64,");
    ASSERT_TRUE(img.startsWith(prefix));
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(QByteArray::fromBase64(img.mid(prefix.size()).toLatin1())));
    EXPECT_EQ(decodeQr(picture), QStringLiteral("kestra-login:") + id);

    auto status = [&](const QString &qr, const QByteArray &withMac) {
        return post(QStringLiteral("qrcode/status"),
                    R"({"qr_code":")" + qr.toUtf8() + R"(",)" + withMac + "}");
    };
    EXPECT_EQ(data(status(id, mac))[QStringLiteral("status")], 1);
    ASSERT_TRUE(m_sim.control(QStringLiteral("qr scan")));
    EXPECT_EQ(data(status(id, mac))[QStringLiteral("status")], 2);
    ASSERT_TRUE(m_sim.control(QStringLiteral("next qrstatus 2017")));
    EXPECT_EQ(code(status(id, mac)), 2017);
    ASSERT_TRUE(m_sim.control(QStringLiteral("qr confirm ") + email));
    const Answer confirmed = status(id, mac);
    EXPECT_EQ(data(confirmed)[QStringLiteral("status")], 4);
    const QString token =
        data(confirmed)[QStringLiteral("user_data")][QStringLiteral("token")].toString();
    const Answer info = tokenCall(QStringLiteral("info"), token);
    EXPECT_EQ(code(info), 0) << info.body.toStdString();
    EXPECT_EQ(data(info)[QStringLiteral("user_info")][QStringLiteral("email")], email);

    EXPECT_EQ(code(status(QStringLiteral("feedbeef"), mac)), 1);
    EXPECT_EQ(post(QStringLiteral("qrcode/status"), R"({"qr_code":1})").status, 400);

    // The first request above counts: three a window, the fourth is refused.
    EXPECT_EQ(code(post(QStringLiteral("qrcode/get"), "{" + mac + "}")), 0);
    EXPECT_EQ(code(post(QStringLiteral("qrcode/get"), "{" + mac + "}")), 0);
    EXPECT_EQ(code(post(QStringLiteral("qrcode/get"), "{" + mac + "}")), 2017);
}

TEST_F(CloudSimTest, TokensRotateOnRefreshAndStopAfterRevocation) {
    startSim({QStringLiteral("--account"), email});
    ASSERT_TRUE(m_sim.control(QStringLiteral("account add ") + phone));
    post(QStringLiteral("send/code"),
         R"({"type":3,"account":"user@example.com","platform_type":2})");
    const QJsonObject first = data(login(email, m_sim.lastCode(email)));
    const QString access = first[QStringLiteral("token")].toString();
    const QString refresh = first[QStringLiteral("refresh_token")].toString();
    ASSERT_FALSE(access.isEmpty());

    EXPECT_EQ(tokenCall(QStringLiteral("info"), {}).status, 401);
    EXPECT_EQ(tokenCall(QStringLiteral("info"), QStringLiteral("Bearer ") + access).status, 401);
    EXPECT_EQ(code(tokenCall(QStringLiteral("info"), access)), 0);
    ASSERT_TRUE(m_sim.waitForRequest(QStringLiteral("/info"), 1000, 3));
    EXPECT_EQ(m_sim.requests().last().auth, access);

    const Answer renewed = tokenCall(QStringLiteral("refresh/token"), refresh);
    ASSERT_EQ(code(renewed), 0) << renewed.body.toStdString();
    const QString access2 = data(renewed)[QStringLiteral("token")].toString();
    const QString refresh2 = data(renewed)[QStringLiteral("refresh_token")].toString();
    EXPECT_NE(access2, access);
    EXPECT_EQ(tokenCall(QStringLiteral("refresh/token"), refresh).status, 401) << "used up";
    EXPECT_EQ(tokenCall(QStringLiteral("info"), access).status, 401) << "replaced";
    EXPECT_EQ(code(tokenCall(QStringLiteral("info"), access2)), 0);

    ASSERT_TRUE(m_sim.control(QStringLiteral("token revoke-refresh ") + email));
    const Answer revoked = tokenCall(QStringLiteral("refresh/token"), refresh2);
    EXPECT_EQ(revoked.status, 401);
    EXPECT_EQ(code(revoked), 401);
    ASSERT_TRUE(m_sim.control(QStringLiteral("token expire-all-access")));
    EXPECT_EQ(tokenCall(QStringLiteral("info"), access2).json[QStringLiteral("msg")],
              QStringLiteral("token expired"));

    post(QStringLiteral("send/code"), R"({"type":3,"account":"13800000001","platform_type":1})");
    const QString access3 =
        data(login(phone, m_sim.lastCode(phone)))[QStringLiteral("token")].toString();
    EXPECT_EQ(code(tokenCall(QStringLiteral("logout"), access3)), 0);
    EXPECT_EQ(tokenCall(QStringLiteral("info"), access3).status, 401);
    EXPECT_EQ(tokenCall(QStringLiteral("logout"), access3).status, 401);
}

TEST_F(CloudSimTest, UpdateCheckAndDownloadPlayTheirFaults) {
    startSim();
    const Answer newest = version(QStringLiteral("1.0.34"));
    EXPECT_EQ(code(newest), 0) << newest.body.toStdString();
    EXPECT_EQ(data(newest)[QStringLiteral("version")], QStringLiteral("1.0.34"));
    EXPECT_EQ(data(newest)[QStringLiteral("url")], QString());
    EXPECT_FALSE(data(newest).contains(QStringLiteral("is_force")));
    EXPECT_EQ(
        m_client
            .call("POST", url(QStringLiteral("/v1/stream/app/client/version/info/1.0.34")), "{}")
            .status,
        405);

    ASSERT_TRUE(m_sim.control(QStringLiteral("version forced 1.0.35")));
    const QJsonObject forced = data(version(QStringLiteral("1.0.34")));
    EXPECT_EQ(forced[QStringLiteral("is_force")], true);
    EXPECT_EQ(forced[QStringLiteral("version")], QStringLiteral("1.0.35"));
    const QString installer = forced[QStringLiteral("url")].toString();
    EXPECT_EQ(installer,
              QStringLiteral("http://%1/download/KestraLive_1.0.35.deb").arg(m_sim.downloadHost()));
    EXPECT_FALSE(data(version(QStringLiteral("1.0.35"))).contains(QStringLiteral("is_force")))
        << "already up to date";

    const Answer whole = m_client.call("GET", installer);
    ASSERT_EQ(whole.error, QNetworkReply::NoError);
    EXPECT_EQ(whole.body.size(), 2 * 1024 * 1024);
    EXPECT_EQ(QString::fromLatin1(
                  QCryptographicHash::hash(whole.body, QCryptographicHash::Sha256).toHex()),
              forced[QStringLiteral("sha256")].toString());
    ASSERT_TRUE(m_sim.control(QStringLiteral("version badsha")));
    EXPECT_NE(data(version(QStringLiteral("1.0.34")))[QStringLiteral("sha256")],
              forced[QStringLiteral("sha256")]);
    ASSERT_TRUE(m_sim.control(QStringLiteral("version nosha")));
    EXPECT_FALSE(data(version(QStringLiteral("1.0.34"))).contains(QStringLiteral("sha256")));

    ASSERT_TRUE(m_sim.control(QStringLiteral("download cut")));
    const Answer cut = m_client.call("GET", installer);
    // Qt's client now and then ends such a reply without an error (when it
    // handles the close before the failed read), so only the length tells.
    EXPECT_EQ(cut.announced, 2 * 1024 * 1024);
    EXPECT_LT(cut.body.size(), cut.announced);
    EXPECT_TRUE(whole.body.startsWith(cut.body));
    ASSERT_TRUE(m_sim.control(QStringLiteral("download nosize")));
    const Answer unsized = m_client.call("GET", installer);
    EXPECT_EQ(unsized.error, QNetworkReply::NoError);
    EXPECT_EQ(unsized.announced, -1);
    EXPECT_EQ(unsized.body, whole.body);
    ASSERT_TRUE(m_sim.control(QStringLiteral("download refuse")));
    EXPECT_EQ(m_client.call("GET", installer).status, 404);

    ASSERT_TRUE(m_sim.control(QStringLiteral("version http500")));
    const Answer failed = version(QStringLiteral("1.0.34"));
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(code(failed), 500);
    ASSERT_TRUE(m_sim.control(QStringLiteral("version silent")));
    const Answer silent = version(QStringLiteral("1.0.34"), 1000);
    EXPECT_EQ(silent.status, 0);
    EXPECT_EQ(silent.error, QNetworkReply::OperationCanceledError) << "the transfer timeout";
    // The service goes on answering after a client gave up on it.
    ASSERT_TRUE(m_sim.control(QStringLiteral("version newest")));
    ASSERT_TRUE(m_sim.control(QStringLiteral("version slow 300")));
    EXPECT_EQ(code(version(QStringLiteral("1.0.34"))), 0);
}
