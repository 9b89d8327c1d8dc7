// AccountDesk: the account side of the HTTP engine. Callers record one
// pending account request (a newer one replaces it); the worker sends it on
// its next pass and hands each reply, with its HTTP status and whole body, to
// the sign-in window through the signals. Transport failures (no answer, the
// 5000 ms time-out) are logged and produce no signal; an HTTP error status
// with a body is an answer like any other.
//
// Threads: made with the engine; the request operations run on any thread
// (the GUI thread in practice); sendStep() and onReply() run on the engine's
// worker. m_lock guards m_pending and is held while the request is built and
// sent, never while a signal is emitted.
#pragma once

#include "device/cloud/accountrequest.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>

class QNetworkReply;
class RequestIssuer;

class AccountDesk : public QObject {
    Q_OBJECT
public:
    AccountDesk(RequestIssuer &issuer, QObject *parent);

    // An account with "@" is an e-mail address, any other a phone number.
    void accountRequstVerifyCode(const QString &account);
    // False, with nothing recorded, unless the code has exactly 6 characters.
    bool accountVerifyCodeLogin(const QString &code);
    void accountGetQRcode();
    void accountGetQRcodeStatus(const QString &qrCode);
    void accountGetUserInfo(const QString &token);
    void accountRefreshToken(const QString &refreshToken);
    void accountQuitLogin(const QString &token);

    void sendStep();
    void onReply(QNetworkReply *reply, int tag);

signals:
    void sigRequestVerifyCode(int status, QByteArray byteArray);
    void sigVerifyCodeLogin(int status, QByteArray byteArray);
    void sigGetQRcode(int status, QByteArray byteArray);
    void sigGetQRcodeStatus(int status, QByteArray byteArray);
    void sigGetUserInfo(int status, QByteArray byteArray);
    void sigRefreshToken(int status, QByteArray byteArray);

private:
    void record(AccountRequest::Kind kind, QString AccountRequest::*field, const QString &value);
    void onLogoutReply(QNetworkReply *reply);

    RequestIssuer &m_issuer;
    QMutex m_lock;
    AccountRequest m_pending;
};
