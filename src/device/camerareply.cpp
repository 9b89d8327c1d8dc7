#include "device/camerareply.h"

#include "log/logline.h"

#include <QMetaEnum>
#include <QNetworkReply>
#include <QStringList>

namespace CameraReply {

namespace {

const QString valueSeparator = QStringLiteral("=\"");

// A value piece runs up to its closing quote; anything unreadable counts as 0.
int leadingNumber(const QString &piece) {
    const qsizetype quote = piece.indexOf(QLatin1Char('"'));
    bool ok = false;
    const int number = (quote < 0 ? piece : piece.left(quote)).toInt(&ok, 10);
    return ok ? number : 0;
}

} // namespace

std::optional<QString> bodyOf(QNetworkReply *reply, const QString &ip, const QString &label) {
    if (reply->error() != QNetworkReply::NoError) {
        LOG_ERROR << "camera_" << ip << label << "SERVER reply error:" << reply->errorString();
        return std::nullopt;
    }
    if (reply->bytesAvailable() == 0) {
        LOG_ERROR << "camera_" << ip << label << "no data available";
        return std::nullopt;
    }
    return QString::fromUtf8(reply->readAll());
}

bool isSuccess(const QString &body) {
    return body.contains(QStringLiteral("Success"));
}

std::optional<QString> workModeValue(const QString &body) {
    if (!body.contains(QStringLiteral("value")))
        return std::nullopt;
    return body.split(valueSeparator).value(1);
}

std::optional<bool> isLiving(const QString &body) {
    const QStringList pieces = body.split(valueSeparator);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces[i].contains(QStringLiteral("living")))
            return pieces.value(i + 1).contains(QStringLiteral("true"));
    }
    return std::nullopt;
}

std::optional<Battery> battery(const QString &body) {
    if (!body.contains(QStringLiteral("capacity")))
        return std::nullopt;
    const QStringList pieces = body.split(valueSeparator);
    Battery result;
    result.capacity = leadingNumber(pieces.value(1));
    result.charge = leadingNumber(pieces.value(2));
    result.ac = leadingNumber(pieces.value(3));
    return result;
}

bool isWirelessMode(const QString &body) {
    return body.contains(QStringLiteral("wireless"));
}

QString resFpsOf(const QString &mediaMode) {
    if (mediaMode.contains(QStringLiteral("1080P30")))
        return QStringLiteral("1080P30");
    if (mediaMode.contains(QStringLiteral("1080P60")))
        return QStringLiteral("1080P60");
    return QStringLiteral("4K30");
}

} // namespace CameraReply

const char *CameraReply::errorName(QNetworkReply::NetworkError error) {
    return QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
}
