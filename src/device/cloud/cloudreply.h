// The cloud service's replies, decoded into plain values. Every reply body is
// a JSON object {"code": integer (0 = success), "msg": text, "data": object};
// the types below read the "data" of each request kind. Decoding never fails
// loudly: a missing or mistyped member reads as empty, and the caller decides
// what an incomplete answer means. Plain values; any thread.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

struct CloudReply {
    enum class Body {
        Empty,     // no bytes at all
        Malformed, // not a JSON object
        NoCode,    // a JSON object without an integer "code"
        Decoded,
    };

    int httpStatus = 0;
    Body body = Body::Empty;
    QString parseError; // with Malformed
    int code = -1;
    QString msg;
    QJsonObject data;

    static CloudReply decode(int httpStatus, const QByteArray &bytes);
    bool decoded() const { return body == Body::Decoded; }
    bool succeeded() const { return decoded() && code == 0; }
};

// Result codes of the account service that the program tells apart.
enum CloudResult_e {
    CloudSignInTooOften = 2001,
    CloudNotRegistered = 2005,
    CloudWrongCode = 2009,
    CloudQRcodeTooOften = 2017,
};

struct UserInfo {
    QString userId;
    QString phone;
    QString email;
    static UserInfo from(const QJsonObject &userInfo);
};

// Tokens and account of a successful sign-in or refresh.
struct SignInGrant {
    QString token;
    QString refreshToken;
    UserInfo user;
    // Reads "token", "refresh_token" and "user_info".
    static SignInGrant from(const QJsonObject &data);
    bool complete() const { return !token.isEmpty() && !refreshToken.isEmpty(); }
};

struct QRcodeOffer {
    QString id;
    QString imageText; // a data URL
    qint64 expire = 0;
    static QRcodeOffer from(const QJsonObject &data);
    // The picture's bytes: the Base64 text after the data URL's first comma.
    QByteArray pictureBytes() const;
};

struct QRcodeState {
    enum Status_e { Waiting = 1, Scanned = 2, Expired = 3, Confirmed = 4 };
    int status = 0;
    SignInGrant grant; // with Confirmed
    static QRcodeState from(const QJsonObject &data);
};

struct VersionOffer {
    bool isForce = false;
    QString version;
    QString url;
    QString sha256; // hex, or "" when the service sends none
    static VersionOffer from(const QJsonObject &data);
};
