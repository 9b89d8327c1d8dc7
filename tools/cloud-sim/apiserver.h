// ApiServer: the cloud's HTTP API on QHttpServer: sign-in by one-time code
// and by QR code, the account calls that take a token, and the update check.
// Every request is logged before it is answered. Requests are checked as the
// real service does: a wrong method is 405, a body that is not the expected
// JSON object is 400, an unknown path 404; business errors are HTTP 200 with
// a non-zero "code". Main thread only.
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>

class Accounts;
class QrCodes;
class Tokens;
class Updates;

class ApiServer : public QObject {
    Q_OBJECT
public:
    ApiServer(Accounts *accounts, Tokens *tokens, QrCodes *qrCodes, Updates *updates,
              QObject *parent = nullptr);

    // The port listened on, 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

    // Forced answers that are no result code: an HTTP 500 with a JSON body,
    // and no answer at all.
    static constexpr int forcedHttp500 = -500;
    static constexpr int forcedSilence = -1;

    // The next answer of endpoint ("login", "qrget" or "qrstatus") carries
    // code instead of its usual result; false for an unknown endpoint.
    bool forceNext(const QString &endpoint, int code);

    // The "msg" that goes with a business error code.
    static QString message(int code);

private:
    struct Reply {
        int status = 200; // 0: no answer
        QJsonObject body;
    };
    using Handler = std::function<Reply(const QHttpServerRequest &)>;

    static Reply success(const QJsonObject &data = {});
    static Reply failure(int code);
    static Reply httpError(int status, const QString &msg);
    static void send(QHttpServerResponder &responder, const Reply &reply);

    void post(const QString &path, Handler handler);
    // The forced code for endpoint, used up; 0 when none.
    int takeForced(const QString &endpoint);
    static Reply forcedReply(int forced);

    Reply sendCode(const QHttpServerRequest &request);
    Reply codeLogin(const QHttpServerRequest &request);
    Reply qrGet(const QHttpServerRequest &request);
    Reply qrStatus(const QHttpServerRequest &request);
    Reply userInfo(const QHttpServerRequest &request);
    Reply refreshToken(const QHttpServerRequest &request);
    Reply logout(const QHttpServerRequest &request);
    void versionInfo(const QString &version, const QHttpServerRequest &request,
                     QHttpServerResponder &&responder);

    // The sign-in result for account with a fresh pair of tokens.
    QJsonObject signedIn(const QString &account);

    Accounts *m_accounts;
    Tokens *m_tokens;
    QrCodes *m_qrCodes;
    Updates *m_updates;
    QHttpServer m_server;
    QHash<QString, int> m_forced;
};
