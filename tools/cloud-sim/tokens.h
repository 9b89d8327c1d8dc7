// Tokens: the access and refresh tokens handed out at sign-in. A refresh
// token renews the pair it came with (both old tokens stop working), logout
// revokes an access token, and the control channel can expire or revoke them
// early. Main thread only.
#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QString>

struct TokenPair {
    QString access;
    QString refresh;
};

enum class TokenCheck { Valid, Missing, Unknown, Expired, Revoked };

class Tokens {
public:
    Tokens(int accessTtlSec, int refreshTtlSec);

    TokenPair issue(const QString &account);
    // account receives the owner of a valid token.
    TokenCheck checkAccess(const QString &token, QString *account) const;
    // For a valid refresh token: a new pair in fresh, the old pair revoked.
    TokenCheck refresh(const QString &token, TokenPair *fresh);
    // Logout: the access token stops working.
    TokenCheck revokeAccess(const QString &token);

    // Makes one token (either kind) expire now; false when unknown.
    bool expire(const QString &token);
    void expireAllAccess();
    // Revokes the refresh tokens of account, or of everyone for "all"; returns how many.
    int revokeRefresh(const QString &account);

    // The reason given with HTTP 401.
    static QString reason(TokenCheck check);

private:
    struct Token {
        QString account;
        QDeadlineTimer expiry;
        QString partner; // the other token of the pair
        bool revoked = false;
    };
    static TokenCheck check(const QHash<QString, Token> &tokens, const QString &token);

    QHash<QString, Token> m_access;
    QHash<QString, Token> m_refresh;
    qint64 m_accessTtlMs;
    qint64 m_refreshTtlMs;
};
