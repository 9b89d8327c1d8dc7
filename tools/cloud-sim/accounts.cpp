#include "accounts.h"

#include "options.h"

#include <QRandomGenerator>

Accounts::Accounts(int codeTtlSec) : m_codeTtlMs(qint64(codeTtlSec) * 1000) {
    m_clock.start();
}

bool Accounts::add(const QString &account) {
    if (!isPhoneAccount(account) && !isEmailAccount(account))
        return false;
    if (!m_registered.contains(account))
        m_registered.append(account);
    return true;
}

bool Accounts::isRegistered(const QString &account) const {
    return m_registered.contains(account);
}

QJsonObject Accounts::userInfo(const QString &account) const {
    const bool phone = isPhoneAccount(account);
    return {{QStringLiteral("user_id"), QString::number(100001 + m_registered.indexOf(account))},
            {QStringLiteral("phone_num"), phone ? account : QString()},
            {QStringLiteral("email"), phone ? QString() : account}};
}

QString Accounts::issueCode(const QString &account) {
    const QString code =
        QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(1000000), 6, 10, QChar(u'0'));
    m_codes.insert(account, {code, QDeadlineTimer(m_codeTtlMs)});
    return code;
}

QString Accounts::currentCode(const QString &account) const {
    const auto it = m_codes.constFind(account);
    if (it == m_codes.constEnd() || it->expiry.hasExpired())
        return {};
    return it->value;
}

bool Accounts::consumeCode(const QString &account, const QString &code) {
    if (code.isEmpty() || currentCode(account) != code)
        return false;
    m_codes.remove(account);
    return true;
}

bool Accounts::countAttempt(const QString &account) {
    const qint64 now = m_clock.elapsed();
    QList<qint64> &times = m_attempts[account];
    times.removeIf([now](qint64 t) { return now - t >= attemptWindowMs; });
    times.append(now);
    return times.size() > maxAttempts;
}
