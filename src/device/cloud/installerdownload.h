// InstallerDownload: the body of the installer download on its way to disk.
// Bytes go into a temporary file beside the chosen path as they arrive, so
// the whole installer is never held in memory; the file appears at the path
// only when the reply completed, its length matches the announced total and,
// when the service named one, its SHA-256 matches. Otherwise nothing is left
// behind. Used on the engine's worker thread only.
#pragma once

#include <QCryptographicHash>
#include <QSaveFile>
#include <QString>

class InstallerDownload {
public:
    InstallerDownload(const QString &path, const QString &expectedSha256);

    // False when the file cannot be created; nothing is left behind then.
    bool open();
    // False when writing failed; the download should be abandoned.
    bool append(const QByteArray &bytes);
    // Moves the file into place. announcedTotal < 0: no total was announced.
    // On false, failure() says why and the temporary file is gone.
    bool finish(qint64 announcedTotal);
    void discard();

    qint64 received() const { return m_received; }
    QString failure() const { return m_failure; }

private:
    QSaveFile m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    QString m_expectedSha256;
    qint64 m_received = 0;
    QString m_failure;
};
