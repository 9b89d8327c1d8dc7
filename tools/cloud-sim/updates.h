// Updates: what the update check answers and what the installer download
// sends, both switched by the control channel to play every case the
// program must survive (no update, optional and forced updates, missing or
// wrong checksums, errors, silence, slow and broken downloads). Main thread
// only.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class Updates {
public:
    enum class VersionMode { Newest, Optional, Forced, EmptyUrl, Error, Http500, Silent };
    enum class DownloadMode { Normal, NoSize, Slow, Cut, Refuse };

    struct VersionReply {
        int httpStatus = 200;
        QJsonObject body;
        bool silent = false; // never answer
        int delayMs = 0;
    };

    static constexpr qsizetype defaultInstallerSize = 2 * 1024 * 1024;

    Updates();

    // Where installer URLs point: "http://<address>:<port>".
    void setDownloadBase(const QString &base) { m_downloadBase = base; }

    // offered is the newer version for Optional, Forced and EmptyUrl.
    void setVersionMode(VersionMode mode, const QString &offered = {});
    // The checksum switches stay as they are across mode changes.
    void toggleNoSha() { m_noSha = !m_noSha; }
    void toggleBadSha() { m_badSha = !m_badSha; }
    // Delays whatever the mode answers; 0 answers at once.
    void setVersionDelay(int ms) { m_delayMs = ms; }
    // The answer to a client that runs version requested.
    VersionReply versionReply(const QString &requested) const;

    void setDownloadMode(DownloadMode mode) { m_downloadMode = mode; }
    DownloadMode downloadMode() const { return m_downloadMode; }
    void setInstallerSize(qsizetype size);
    const QByteArray &installer() const { return m_installer; }
    // "KestraLive_<version>.deb": the only files under /download.
    static bool isInstallerName(const QString &name);

    // Dotted numbers, e.g. "1.0.34".
    static bool isVersion(const QString &text);
    // Negative, zero or positive as a is older than, equal to or newer than b.
    static int compareVersions(const QString &a, const QString &b);

private:
    VersionMode m_mode = VersionMode::Newest;
    QString m_offered;
    bool m_noSha = false;
    bool m_badSha = false;
    int m_delayMs = 0;
    DownloadMode m_downloadMode = DownloadMode::Normal;
    QByteArray m_installer;
    QString m_installerSha;
    QString m_downloadBase;
};
