#include "requestlog.h"

#include "console.h"

#include <QJsonDocument>

namespace {

// Line breaks would split the log line: a JSON body is compacted, anything
// else has them escaped.
QString oneLine(const QByteArray &text) {
    if (text.isEmpty())
        return QStringLiteral("-");
    if (!text.contains('\n') && !text.contains('\r'))
        return QString::fromUtf8(text);
    const QJsonDocument json = QJsonDocument::fromJson(text);
    if (!json.isNull())
        return QString::fromUtf8(json.toJson(QJsonDocument::Compact));
    QByteArray escaped = text;
    escaped.replace('\r', "\\r").replace('\n', "\\n");
    return QString::fromUtf8(escaped);
}

} // namespace

void logRequest(const QByteArray &method, const QString &path, const QByteArray &authorization,
                const QByteArray &body) {
    console::out(
        QStringLiteral("request %1 %2 auth=%3 body=%4")
            .arg(QString::fromLatin1(method), path, oneLine(authorization), oneLine(body)));
}
