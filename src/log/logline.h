// The convention every diagnostic of KestraLive follows:
//   LOG_NOTE  << "text" << value;   ->  "[ ../src/dir/file.cpp : 42 ]: text value"
//   LOG_ERROR << "text";            ->  "[ ../src/dir/file.cpp : 42 ]:[Error] text"
// Strings are streamed raw (no quotes); the build maps the source root to ".."
// so the path reads relative to the build folder.
#pragma once

#include <QDebug>

#define LOG_NOTE qDebug().noquote() << "[" << __FILE__ << ":" << __LINE__ << "]:"
#define LOG_ERROR qDebug().noquote() << "[" << __FILE__ << ":" << __LINE__ << "]:[Error]"

// How log lines show a flag.
inline const char *boolText(bool value) {
    return value ? "true" : "false";
}

#include <QCryptographicHash>
#include <QString>

// How log lines show a secret (token, one-time code, QR identifier): a short
// fingerprint that tells two values apart without revealing either.
inline QString secretFingerprint(const QString &secret) {
    if (secret.isEmpty())
        return QStringLiteral("<empty>");
    const QByteArray hash = QCryptographicHash::hash(secret.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("#") + QString::fromLatin1(hash.left(4).toHex());
}
