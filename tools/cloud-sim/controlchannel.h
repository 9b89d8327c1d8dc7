// ControlChannel lets a test or script play the rest of the world while the
// service runs: register accounts, read the code "sent" to an account, scan
// and confirm QR codes as a phone would, expire or revoke tokens, and switch
// the update check and the download between their cases. One command per
// stdin line, answered on stdout with "ok <command>" or "error <reason>";
// end of input ends the program. Main thread only.
#pragma once

#include "stdinlines.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Accounts;
class ApiServer;
class QrCodes;
class Tokens;
class Updates;

class ControlChannel : public QObject {
    Q_OBJECT
public:
    ControlChannel(Accounts *accounts, Tokens *tokens, QrCodes *qrCodes, Updates *updates,
                   ApiServer *api, QObject *parent = nullptr);

    // Starts reading stdin.
    void start() { m_input.start(); }

signals:
    void quitRequested();

private:
    void execute(const QString &line);
    // Each returns an empty text on success, else the reason for "error".
    QString run(const QStringList &words);
    QString runQr(const QStringList &words);
    QString runToken(const QStringList &words);
    QString runVersion(const QStringList &words);
    QString runDownload(const QStringList &words);

    Accounts *m_accounts;
    Tokens *m_tokens;
    QrCodes *m_qrCodes;
    Updates *m_updates;
    ApiServer *m_api;
    StdinLines m_input;
};
