#include "tokens.h"

#include <QRandomGenerator>

namespace {

QString randomToken() {
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());
}

} // namespace

Tokens::Tokens(int accessTtlSec, int refreshTtlSec)
    : m_accessTtlMs(qint64(accessTtlSec) * 1000), m_refreshTtlMs(qint64(refreshTtlSec) * 1000) {}

TokenPair Tokens::issue(const QString &account) {
    const TokenPair pair{randomToken(), randomToken()};
    m_access.insert(pair.access, {account, QDeadlineTimer(m_accessTtlMs), pair.refresh});
    m_refresh.insert(pair.refresh, {account, QDeadlineTimer(m_refreshTtlMs), pair.access});
    return pair;
}

TokenCheck Tokens::check(const QHash<QString, Token> &tokens, const QString &token) {
    if (token.isEmpty())
        return TokenCheck::Missing;
    const auto it = tokens.constFind(token);
    if (it == tokens.constEnd())
        return TokenCheck::Unknown;
    if (it->revoked)
        return TokenCheck::Revoked;
    if (it->expiry.hasExpired())
        return TokenCheck::Expired;
    return TokenCheck::Valid;
}

TokenCheck Tokens::checkAccess(const QString &token, QString *account) const {
    const TokenCheck result = check(m_access, token);
    if (result == TokenCheck::Valid)
        *account = m_access.value(token).account;
    return result;
}

TokenCheck Tokens::refresh(const QString &token, TokenPair *fresh) {
    const TokenCheck result = check(m_refresh, token);
    if (result != TokenCheck::Valid)
        return result;
    Token &old = m_refresh[token];
    old.revoked = true;
    const auto access = m_access.find(old.partner);
    if (access != m_access.end())
        access->revoked = true;
    *fresh = issue(old.account);
    return result;
}

TokenCheck Tokens::revokeAccess(const QString &token) {
    const TokenCheck result = check(m_access, token);
    if (result == TokenCheck::Valid)
        m_access[token].revoked = true;
    return result;
}

bool Tokens::expire(const QString &token) {
    for (QHash<QString, Token> *tokens : {&m_access, &m_refresh}) {
        const auto it = tokens->find(token);
        if (it != tokens->end()) {
            it->expiry = QDeadlineTimer(0);
            return true;
        }
    }
    return false;
}

void Tokens::expireAllAccess() {
    for (Token &token : m_access)
        token.expiry = QDeadlineTimer(0);
}

int Tokens::revokeRefresh(const QString &account) {
    int count = 0;
    for (Token &token : m_refresh) {
        if (!token.revoked && (account == QLatin1String("all") || token.account == account)) {
            token.revoked = true;
            ++count;
        }
    }
    return count;
}

QString Tokens::reason(TokenCheck check) {
    switch (check) {
    case TokenCheck::Valid:
        return QStringLiteral("success");
    case TokenCheck::Missing:
        return QStringLiteral("token missing");
    case TokenCheck::Unknown:
        return QStringLiteral("token invalid");
    case TokenCheck::Expired:
        return QStringLiteral("token expired");
    case TokenCheck::Revoked:
        return QStringLiteral("token revoked");
    }
    return {};
}
