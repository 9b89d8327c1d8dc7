#include "updates.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

QJsonObject envelope(int code, const QString &msg, const QJsonObject &data) {
    return {{QStringLiteral("code"), code},
            {QStringLiteral("msg"), msg},
            {QStringLiteral("data"), data}};
}

} // namespace

Updates::Updates() {
    setInstallerSize(defaultInstallerSize);
}

void Updates::setVersionMode(VersionMode mode, const QString &offered) {
    m_mode = mode;
    if (!offered.isEmpty())
        m_offered = offered;
}

void Updates::setInstallerSize(qsizetype size) {
    // A pattern that does not repeat every 256 bytes, so a piece sent twice
    // or left out changes the checksum.
    m_installer.resize(size);
    for (qsizetype i = 0; i < size; ++i)
        m_installer[i] = char((i * 7 + (i >> 9) * 13) & 0xff);
    m_installerSha = QString::fromLatin1(
        QCryptographicHash::hash(m_installer, QCryptographicHash::Sha256).toHex());
}

bool Updates::isInstallerName(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^KestraLive_[0-9.]+\\.deb$"));
    return pattern.match(name).hasMatch();
}

bool Updates::isVersion(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{1,5}(\\.[0-9]{1,5}){0,3}$"));
    return pattern.match(text).hasMatch();
}

int Updates::compareVersions(const QString &a, const QString &b) {
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const int l = i < left.size() ? left[i].toInt() : 0;
        const int r = i < right.size() ? right[i].toInt() : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

Updates::VersionReply Updates::versionReply(const QString &requested) const {
    VersionReply reply;
    reply.delayMs = m_delayMs;
    const bool offersNewer = m_mode == VersionMode::Optional || m_mode == VersionMode::Forced ||
                             m_mode == VersionMode::EmptyUrl;
    // A client already at (or past) the offered version is up to date.
    if (m_mode == VersionMode::Newest ||
        (offersNewer && compareVersions(requested, m_offered) >= 0)) {
        reply.body =
            envelope(0, QStringLiteral("success"),
                     {{QStringLiteral("version"), requested}, {QStringLiteral("url"), QString()}});
        return reply;
    }
    switch (m_mode) {
    case VersionMode::Error:
        reply.body = envelope(1, QStringLiteral("query version failed"), {});
        return reply;
    case VersionMode::Http500:
        reply.httpStatus = 500;
        reply.body = {{QStringLiteral("code"), 500},
                      {QStringLiteral("msg"), QStringLiteral("internal server error")}};
        return reply;
    case VersionMode::Silent:
        reply.silent = true;
        return reply;
    default:
        break;
    }
    QJsonObject data{
        {QStringLiteral("is_force"), m_mode == VersionMode::Forced},
        {QStringLiteral("version"), m_offered},
        {QStringLiteral("url"),
         m_mode == VersionMode::EmptyUrl
             ? QString()
             : QStringLiteral("%1/download/KestraLive_%2.deb").arg(m_downloadBase, m_offered)}};
    if (!m_noSha) {
        // A wrong checksum of the right form: the installer's with its first digit changed.
        QString sha = m_installerSha;
        if (m_badSha)
            sha[0] = sha[0] == u'0' ? u'1' : u'0';
        data.insert(QStringLiteral("sha256"), sha);
    }
    reply.body = envelope(0, QStringLiteral("success"), data);
    return reply;
}
