#include "device/cloud/accountrequest.h"

#include "device/requestissuer.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int typeCodeForEmail = 3;
constexpr int typeCodeForPhone = 4;
constexpr int platformPhone = 1;
constexpr int platformEmail = 2;

QByteArray compact(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

AccountRequest::Wire AccountRequest::wire(const QString &mac, const QString &hostName) const {
    const bool byPhone = email.isEmpty();
    const QString account = byPhone ? phone : email;
    switch (kind) {
    case Kind::SendCode:
        return {
            RequestIssuer::EndpointSendCode,
            compact({{QStringLiteral("type"), typeCodeForEmail},
                     {QStringLiteral("account"), account},
                     {QStringLiteral("platform_type"), byPhone ? platformPhone : platformEmail}}),
            {},
            RequestSendCode};
    case Kind::CodeLogin:
        return {RequestIssuer::EndpointCodeLogin,
                compact({{QStringLiteral("type"), byPhone ? typeCodeForPhone : typeCodeForEmail},
                         {QStringLiteral("account"), account},
                         {QStringLiteral("check_code"), code},
                         {QStringLiteral("app_id"), QStringLiteral("kestra_pc")},
                         {QStringLiteral("app_type"), QStringLiteral("pc")}}),
                {},
                RequestCodeLogin};
    case Kind::GetQRcode:
        return {RequestIssuer::EndpointGetQRcode,
                compact({{QStringLiteral("mac"), mac}}),
                {},
                RequestGetQRcode};
    case Kind::QRcodeStatus:
        return {RequestIssuer::EndpointQRcodeStatus,
                compact({{QStringLiteral("qr_code"), qrCode}, {QStringLiteral("mac"), hostName}}),
                {},
                RequestQRcodeStatus};
    case Kind::UserInfo:
        return {RequestIssuer::EndpointUserInfo, {}, accessToken.toLatin1(), RequestUserInfo};
    case Kind::RefreshToken:
        return {
            RequestIssuer::EndpointRefreshToken, {}, refreshToken.toLatin1(), RequestRefreshToken};
    case Kind::Logout:
        return {RequestIssuer::EndpointLogout, {}, accessToken.toLatin1(), RequestLogout};
    case Kind::None:
        break;
    }
    return {};
}
