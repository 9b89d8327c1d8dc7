#include "controlchannel.h"

#include "accounts.h"
#include "apiserver.h"
#include "console.h"
#include "qrcodes.h"
#include "tokens.h"
#include "updates.h"

ControlChannel::ControlChannel(Accounts *accounts, Tokens *tokens, QrCodes *qrCodes,
                               Updates *updates, ApiServer *api, QObject *parent)
    : QObject(parent), m_accounts(accounts), m_tokens(tokens), m_qrCodes(qrCodes),
      m_updates(updates), m_api(api) {
    connect(&m_input, &StdinLines::line, this, &ControlChannel::execute);
    connect(&m_input, &StdinLines::finished, this, &ControlChannel::quitRequested);
}

void ControlChannel::execute(const QString &line) {
    const QString command = line.trimmed();
    if (command.isEmpty())
        return;
    const QStringList words = command.split(u' ', Qt::SkipEmptyParts);
    const QString reason = run(words);
    if (reason.isEmpty())
        console::out(QStringLiteral("ok ") + command);
    else
        console::out(QStringLiteral("error ") + reason);
    if (reason.isEmpty() && words[0] == QLatin1String("quit"))
        emit quitRequested();
}

QString ControlChannel::run(const QStringList &words) {
    const QString &name = words[0];
    if (name == QLatin1String("account")) {
        if (words.size() != 3 || words[1] != QLatin1String("add") || !m_accounts->add(words[2]))
            return QStringLiteral("usage: account add <11-digit phone number|e-mail>");
    } else if (name == QLatin1String("code")) {
        if (words.size() != 2)
            return QStringLiteral("usage: code <account>");
        const QString code = m_accounts->currentCode(words[1]);
        if (code.isEmpty())
            return QStringLiteral("no valid code for ") + words[1];
        console::out(QStringLiteral("code %1 %2").arg(words[1], code));
    } else if (name == QLatin1String("next")) {
        // "http500" answers with that HTTP status, "silent" not at all.
        bool ok = false;
        int code = words.size() == 3 ? words[2].toInt(&ok) : 0;
        if (words.size() == 3 && words[2] == QLatin1String("http500"))
            code = ApiServer::forcedHttp500, ok = true;
        else if (words.size() == 3 && words[2] == QLatin1String("silent"))
            code = ApiServer::forcedSilence, ok = true;
        if (!ok || code == 0 || !m_api->forceNext(words[1], code))
            return QStringLiteral(
                "usage: next login|qrget|qrstatus <non-zero code>|http500|silent");
    } else if (name == QLatin1String("qr")) {
        return runQr(words);
    } else if (name == QLatin1String("token")) {
        return runToken(words);
    } else if (name == QLatin1String("version")) {
        return runVersion(words);
    } else if (name == QLatin1String("download")) {
        return runDownload(words);
    } else if (name == QLatin1String("quit")) {
        if (words.size() != 1)
            return QStringLiteral("usage: quit");
    } else {
        return QStringLiteral("unknown command ") + name;
    }
    return {};
}

QString ControlChannel::runQr(const QStringList &words) {
    const QString usage = QStringLiteral("usage: qr scan|confirm <account>|expire");
    if (words.size() < 2)
        return usage;
    QrCodes::Session *session = m_qrCodes->latest();
    if (!session)
        return QStringLiteral("no qr code yet");
    const QString &action = words[1];
    // A phone can act only on a code that is still on the screen.
    const bool open = session->status == QrCodes::Waiting || session->status == QrCodes::Scanned;
    if (action == QLatin1String("scan") && words.size() == 2) {
        if (session->status != QrCodes::Waiting)
            return QStringLiteral("qr code is not waiting (status %1)").arg(session->status);
        session->status = QrCodes::Scanned;
    } else if (action == QLatin1String("confirm") && words.size() == 3) {
        if (!open)
            return QStringLiteral("qr code is closed (status %1)").arg(session->status);
        if (!m_accounts->isRegistered(words[2]))
            return QStringLiteral("account not registered: ") + words[2];
        session->status = QrCodes::Confirmed;
        session->account = words[2];
        session->tokens = m_tokens->issue(words[2]);
    } else if (action == QLatin1String("expire") && words.size() == 2) {
        if (!open)
            return QStringLiteral("qr code is closed (status %1)").arg(session->status);
        session->status = QrCodes::Expired;
    } else {
        return usage;
    }
    return {};
}

QString ControlChannel::runToken(const QStringList &words) {
    const QString usage = QStringLiteral(
        "usage: token issue <account>|expire <token>|expire-all-access|revoke-refresh "
        "<account|all>");
    // "issue": the tokens of a sign-in that happened before, for a returning user.
    if (words.size() == 3 && words[1] == QLatin1String("issue")) {
        if (!m_accounts->isRegistered(words[2]))
            return QStringLiteral("unknown account ") + words[2];
        const TokenPair pair = m_tokens->issue(words[2]);
        console::out(QStringLiteral("tokens %1 %2 %3").arg(words[2], pair.access, pair.refresh));
    } else if (words.size() == 3 && words[1] == QLatin1String("expire")) {
        if (!m_tokens->expire(words[2]))
            return QStringLiteral("unknown token ") + words[2];
    } else if (words.size() == 2 && words[1] == QLatin1String("expire-all-access")) {
        m_tokens->expireAllAccess();
    } else if (words.size() == 3 && words[1] == QLatin1String("revoke-refresh")) {
        m_tokens->revokeRefresh(words[2]);
    } else {
        return usage;
    }
    return {};
}

QString ControlChannel::runVersion(const QStringList &words) {
    const QString usage = QStringLiteral(
        "usage: version newest|optional <v>|forced <v>|emptyurl <v>|nosha|badsha|error|http500|"
        "silent|slow <ms>");
    if (words.size() < 2)
        return usage;
    const QString &mode = words[1];
    using Mode = Updates::VersionMode;
    if (words.size() == 2) {
        if (mode == QLatin1String("newest"))
            m_updates->setVersionMode(Mode::Newest);
        else if (mode == QLatin1String("nosha"))
            m_updates->toggleNoSha();
        else if (mode == QLatin1String("badsha"))
            m_updates->toggleBadSha();
        else if (mode == QLatin1String("error"))
            m_updates->setVersionMode(Mode::Error);
        else if (mode == QLatin1String("http500"))
            m_updates->setVersionMode(Mode::Http500);
        else if (mode == QLatin1String("silent"))
            m_updates->setVersionMode(Mode::Silent);
        else
            return usage;
        return {};
    }
    if (words.size() != 3)
        return usage;
    if (mode == QLatin1String("slow")) {
        bool ok = false;
        const int ms = words[2].toInt(&ok);
        if (!ok || ms < 0)
            return usage;
        m_updates->setVersionDelay(ms);
        return {};
    }
    if (!Updates::isVersion(words[2]))
        return QStringLiteral("not a version: ") + words[2];
    if (mode == QLatin1String("optional"))
        m_updates->setVersionMode(Mode::Optional, words[2]);
    else if (mode == QLatin1String("forced"))
        m_updates->setVersionMode(Mode::Forced, words[2]);
    else if (mode == QLatin1String("emptyurl"))
        m_updates->setVersionMode(Mode::EmptyUrl, words[2]);
    else
        return usage;
    return {};
}

QString ControlChannel::runDownload(const QStringList &words) {
    const QString usage =
        QStringLiteral("usage: download normal|nosize|slow|cut|refuse|size <bytes>");
    using Mode = Updates::DownloadMode;
    if (words.size() == 3 && words[1] == QLatin1String("size")) {
        bool ok = false;
        const qsizetype size = words[2].toLongLong(&ok);
        if (!ok || size < 1 || size > 512 * 1024 * 1024)
            return QStringLiteral("usage: download size <1 to 536870912>");
        m_updates->setInstallerSize(size);
        return {};
    }
    if (words.size() != 2)
        return usage;
    const QString &mode = words[1];
    if (mode == QLatin1String("normal"))
        m_updates->setDownloadMode(Mode::Normal);
    else if (mode == QLatin1String("nosize"))
        m_updates->setDownloadMode(Mode::NoSize);
    else if (mode == QLatin1String("slow"))
        m_updates->setDownloadMode(Mode::Slow);
    else if (mode == QLatin1String("cut"))
        m_updates->setDownloadMode(Mode::Cut);
    else if (mode == QLatin1String("refuse"))
        m_updates->setDownloadMode(Mode::Refuse);
    else
        return usage;
    return {};
}
