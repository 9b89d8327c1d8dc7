#include "device/cloud/accountdesk.h"

#include "device/cloud/cloudreply.h"
#include "device/requestissuer.h"
#include "log/logline.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkReply>

namespace {

// The hardware address the QR code request names the PC by.
QString firstInterfaceAddress() {
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return interfaces.isEmpty() ? QString() : interfaces.first().hardwareAddress();
}

// No HTTP answer at all; an error status with a body is still an answer.
bool transportFailed(QNetworkReply *reply) {
    return reply->error() != QNetworkReply::NoError &&
           !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

const char *replyPrefix(int tag) {
    switch (tag) {
    case RequestSendCode:
        return "request verify code>>> ";
    case RequestCodeLogin:
        return "verify code login>>> ";
    case RequestGetQRcode:
        return "get QR code>>> ";
    case RequestQRcodeStatus:
        return "get QR code status>>> ";
    case RequestUserInfo:
        return "get user info>>> ";
    default:
        return "refresh token>>> ";
    }
}

} // namespace

AccountDesk::AccountDesk(RequestIssuer &issuer, QObject *parent)
    : QObject(parent), m_issuer(issuer) {}

void AccountDesk::record(AccountRequest::Kind kind, QString AccountRequest::*field,
                         const QString &value) {
    QMutexLocker lock(&m_lock);
    m_pending.kind = kind;
    if (field)
        m_pending.*field = value;
}

void AccountDesk::accountRequstVerifyCode(const QString &account) {
    if (account.isEmpty()) {
        LOG_ERROR << "accountRequstVerifyCode: account is empty!";
        return;
    }
    QMutexLocker lock(&m_lock);
    const bool isEmail = account.contains(QLatin1Char('@'));
    m_pending.email = isEmail ? account : QString();
    m_pending.phone = isEmail ? QString() : account;
    m_pending.kind = AccountRequest::Kind::SendCode;
}

bool AccountDesk::accountVerifyCodeLogin(const QString &code) {
    constexpr int codeLength = 6;
    if (code.size() != codeLength) {
        LOG_ERROR << QStringLiteral("accountVerifyCodeLogin：verify code error！  ") +
                         secretFingerprint(code);
        return false;
    }
    record(AccountRequest::Kind::CodeLogin, &AccountRequest::code, code);
    return true;
}

void AccountDesk::accountGetQRcode() {
    record(AccountRequest::Kind::GetQRcode, nullptr, {});
}

void AccountDesk::accountGetQRcodeStatus(const QString &qrCode) {
    if (qrCode.isEmpty()) {
        LOG_ERROR << "accountGetQRcodeStatus: qr_code is empty!";
        return;
    }
    record(AccountRequest::Kind::QRcodeStatus, &AccountRequest::qrCode, qrCode);
}

void AccountDesk::accountGetUserInfo(const QString &token) {
    record(AccountRequest::Kind::UserInfo, &AccountRequest::accessToken, token);
}

void AccountDesk::accountRefreshToken(const QString &refreshToken) {
    record(AccountRequest::Kind::RefreshToken, &AccountRequest::refreshToken, refreshToken);
}

void AccountDesk::accountQuitLogin(const QString &token) {
    record(AccountRequest::Kind::Logout, &AccountRequest::accessToken, token);
}

void AccountDesk::sendStep() {
    QMutexLocker lock(&m_lock);
    if (m_pending.kind == AccountRequest::Kind::None)
        return;
    const QString mac =
        m_pending.kind == AccountRequest::Kind::GetQRcode ? firstInterfaceAddress() : QString();
    const QString hostName = m_pending.kind == AccountRequest::Kind::QRcodeStatus
                                 ? QHostInfo::localHostName()
                                 : QString();
    const AccountRequest::Wire wire = m_pending.wire(mac, hostName);
    m_issuer.cloudPost(wire.endpoint, wire.body, wire.authorization, wire.tag);
    m_pending.kind = AccountRequest::Kind::None;
}

void AccountDesk::onReply(QNetworkReply *reply, int tag) {
    if (tag == RequestLogout) {
        onLogoutReply(reply);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (transportFailed(reply)) {
        LOG_ERROR << QString::fromLatin1(replyPrefix(tag)) + QStringLiteral("SERVER reply error:") +
                         reply->errorString() + QStringLiteral(" statusCode:") +
                         QString::number(status);
        return;
    }
    const QByteArray body = reply->readAll();
    switch (tag) {
    case RequestSendCode:
        emit sigRequestVerifyCode(status, body);
        break;
    case RequestCodeLogin:
        emit sigVerifyCodeLogin(status, body);
        break;
    case RequestGetQRcode:
        emit sigGetQRcode(status, body);
        break;
    case RequestQRcodeStatus:
        emit sigGetQRcodeStatus(status, body);
        break;
    case RequestUserInfo:
        emit sigGetUserInfo(status, body);
        break;
    case RequestRefreshToken:
        emit sigRefreshToken(status, body);
        break;
    default:
        break;
    }
}

void AccountDesk::onLogoutReply(QNetworkReply *reply) {
    const QString prefix = QStringLiteral("quit login>>> ");
    if (transportFailed(reply)) {
        LOG_ERROR << prefix + QStringLiteral("SERVER reply error:") + reply->errorString();
        return;
    }
    const CloudReply answer = CloudReply::decode(0, reply->readAll());
    if (answer.body == CloudReply::Body::Empty) {
        LOG_ERROR << prefix + QStringLiteral("no data available");
        return;
    }
    if (answer.code != 0)
        LOG_ERROR << prefix + QStringLiteral("error: ") + answer.msg + QStringLiteral(" code:") +
                         QString::number(answer.code);
}
