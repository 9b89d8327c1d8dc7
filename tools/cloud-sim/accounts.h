// Accounts: who is registered, the one-time sign-in codes sent to them, and
// the count of sign-in attempts that the service limits. Codes and attempts
// age on the monotonic clock. Main thread only.
#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class Accounts {
public:
    static constexpr int maxAttempts = 5;
    static constexpr int attemptWindowMs = 60 * 1000;

    explicit Accounts(int codeTtlSec);

    // False when account is neither a phone number nor an e-mail.
    bool add(const QString &account);
    bool isRegistered(const QString &account) const;
    // {"user_id","phone_num","email"}; the id stays the same for the account.
    QJsonObject userInfo(const QString &account) const;

    // A fresh 6-digit code, replacing any earlier one for the account.
    QString issueCode(const QString &account);
    // The code that would sign in now; empty when none or expired.
    QString currentCode(const QString &account) const;
    // True and the code is used up when it matches and has not expired.
    bool consumeCode(const QString &account, const QString &code);

    // Counts one sign-in attempt; true when it is one too many for the window.
    bool countAttempt(const QString &account);

private:
    struct Code {
        QString value;
        QDeadlineTimer expiry;
    };

    QStringList m_registered; // the position gives the user id
    QHash<QString, Code> m_codes;
    QHash<QString, QList<qint64>> m_attempts; // times on m_clock
    QElapsedTimer m_clock;
    qint64 m_codeTtlMs;
};
