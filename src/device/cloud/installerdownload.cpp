#include "device/cloud/installerdownload.h"

InstallerDownload::InstallerDownload(const QString &path, const QString &expectedSha256)
    : m_file(path), m_expectedSha256(expectedSha256) {}

bool InstallerDownload::open() {
    return m_file.open(QIODevice::WriteOnly);
}

bool InstallerDownload::append(const QByteArray &bytes) {
    if (m_file.write(bytes) != bytes.size()) {
        m_failure = QStringLiteral("file write faild! ") + m_file.errorString();
        return false;
    }
    m_hash.addData(bytes);
    m_received += bytes.size();
    return true;
}

bool InstallerDownload::finish(qint64 announcedTotal) {
    if (announcedTotal >= 0 && announcedTotal != m_received) {
        m_failure = QStringLiteral("incomplete file, received %1 of %2 bytes")
                        .arg(m_received)
                        .arg(announcedTotal);
    } else if (!m_expectedSha256.isEmpty() &&
               QString::fromLatin1(m_hash.result().toHex()) != m_expectedSha256) {
        m_failure = QStringLiteral("sha256 mismatch");
    } else if (!m_file.commit()) {
        m_failure = QStringLiteral("file write faild! ") + m_file.errorString();
        return false;
    } else {
        return true;
    }
    discard();
    return false;
}

void InstallerDownload::discard() {
    m_file.cancelWriting();
    m_file.commit(); // after cancelWriting this only removes the temporary file
}
