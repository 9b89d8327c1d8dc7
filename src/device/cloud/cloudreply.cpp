#include "device/cloud/cloudreply.h"

#include <algorithm>
#include <climits>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

CloudReply CloudReply::decode(int httpStatus, const QByteArray &bytes) {
    CloudReply reply;
    reply.httpStatus = httpStatus;
    if (bytes.isEmpty())
        return reply;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        reply.body = Body::Malformed;
        reply.parseError = error.error != QJsonParseError::NoError
                               ? error.errorString()
                               : QStringLiteral("not a JSON object");
        return reply;
    }
    const QJsonObject object = document.object();
    const QJsonValue code = object.value(QStringLiteral("code"));
    // Integers only: 0.5 or "0" is no success code.
    if (!code.isDouble() || code.toDouble() != static_cast<double>(code.toInteger())) {
        reply.body = Body::NoCode;
        return reply;
    }
    reply.body = Body::Decoded;
    reply.code = static_cast<int>(std::clamp<qint64>(code.toInteger(), INT_MIN, INT_MAX));
    reply.msg = object.value(QStringLiteral("msg")).toString();
    reply.data = object.value(QStringLiteral("data")).toObject();
    return reply;
}

UserInfo UserInfo::from(const QJsonObject &userInfo) {
    return {userInfo.value(QStringLiteral("user_id")).toString(),
            userInfo.value(QStringLiteral("phone_num")).toString(),
            userInfo.value(QStringLiteral("email")).toString()};
}

SignInGrant SignInGrant::from(const QJsonObject &data) {
    return {data.value(QStringLiteral("token")).toString(),
            data.value(QStringLiteral("refresh_token")).toString(),
            UserInfo::from(data.value(QStringLiteral("user_info")).toObject())};
}

QRcodeOffer QRcodeOffer::from(const QJsonObject &data) {
    return {data.value(QStringLiteral("qr_code")).toString(),
            data.value(QStringLiteral("qr_code_img")).toString(),
            data.value(QStringLiteral("qr_code_expire")).toInteger()};
}

QByteArray QRcodeOffer::pictureBytes() const {
    const qsizetype comma = imageText.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    return QByteArray::fromBase64(imageText.mid(comma + 1).toLatin1());
}

QRcodeState QRcodeState::from(const QJsonObject &data) {
    QRcodeState state;
    state.status = static_cast<int>(data.value(QStringLiteral("status")).toInteger());
    if (state.status == Confirmed)
        state.grant = SignInGrant::from(data.value(QStringLiteral("user_data")).toObject());
    return state;
}

VersionOffer VersionOffer::from(const QJsonObject &data) {
    return {data.value(QStringLiteral("is_force")).toBool(),
            data.value(QStringLiteral("version")).toString(),
            data.value(QStringLiteral("url")).toString(),
            data.value(QStringLiteral("sha256")).toString().toLower()};
}
