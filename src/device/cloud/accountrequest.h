// AccountRequest: one request to the account service, as recorded by the
// caller, and how it goes on the wire (endpoint, JSON body, Authorization
// header, reply tag). A plain value; the account desk keeps the pending one.
#pragma once

#include "device/networktypes.h"

#include <QByteArray>
#include <QString>

struct AccountRequest {
    enum class Kind {
        None = 0,
        SendCode = 1,
        CodeLogin = 2,
        GetQRcode = 3,
        QRcodeStatus = 4,
        UserInfo = 5,
        RefreshToken = 6,
        Logout = 7,
    };

    struct Wire {
        int endpoint = 0;
        QByteArray body;          // compact JSON, or empty
        QByteArray authorization; // the bare token, or empty for none
        RequestType_e tag = RequestSendCode;
    };

    Kind kind = Kind::None;
    // The account of the code sign-in: exactly one of the two is set.
    QString phone;
    QString email;
    QString code;
    QString qrCode;
    QString accessToken;
    QString refreshToken;

    // mac: the hardware address sent with a QR code request; hostName: the
    // name sent with a QR state poll.
    Wire wire(const QString &mac, const QString &hostName) const;
};
