#include "device/cloud/versionupdater.h"

#include "device/cloud/cloudhost.h"
#include "device/cloud/cloudreply.h"
#include "device/cloud/installerdownload.h"
#include "device/requestissuer.h"
#include "log/logline.h"

#include <QNetworkReply>
#include <QUrl>

namespace {

const QString queryPrefix = QStringLiteral("request version>>> ");
const QString downloadPrefix = QStringLiteral("software download>>> ");

int httpStatus(QNetworkReply *reply) {
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

VersionUpdater::VersionUpdater(RequestIssuer &issuer, const QString &programVersion,
                               QObject *parent)
    : QObject(parent), m_issuer(issuer), m_programVersion(programVersion) {}

VersionUpdater::~VersionUpdater() = default;

void VersionUpdater::requestVersion() {
    QMutexLocker lock(&m_lock);
    if (m_state == State::Idle || m_state == State::UpdateOffered || m_state == State::Failed)
        m_state = State::QueryRequested;
}

void VersionUpdater::startDownloadApplication(const QString &savePath) {
    if (savePath.isEmpty()) {
        LOG_ERROR << "startDownloadApplication: param is empty";
        return;
    }
    QMutexLocker lock(&m_lock);
    m_savePath = savePath;
    // A failed download is retried to the same path from Failed.
    if (m_state == State::UpdateOffered || m_state == State::Failed)
        m_state = State::DownloadRequested;
}

quint16 VersionUpdater::answerFlagAndRetries() const {
    QMutexLocker lock(&m_lock);
    return static_cast<quint16>(m_answerReceived | (static_cast<quint8>(m_retries) << 8));
}

QString VersionUpdater::latestVersion() const {
    QMutexLocker lock(&m_lock);
    return m_latestVersion;
}

VersionUpdater::State VersionUpdater::state() const {
    QMutexLocker lock(&m_lock);
    return m_state;
}

void VersionUpdater::runStep() {
    bool downloadFailed = false;
    bool forced = false;
    {
        QMutexLocker lock(&m_lock);
        if (m_state == State::QueryRequested) {
            m_issuer.taggedGet(cloudUrl(RequestIssuer::path(RequestIssuer::EndpointVersionInfo)) +
                                   m_programVersion,
                               RequestVersionInfo);
            m_state = State::QuerySent;
        } else if (m_state == State::DownloadRequested) {
            downloadFailed = !startDownloadLocked();
            forced = m_forced;
        }
    }
    if (downloadFailed)
        emit sigDownloadFaild(forced);
}

bool VersionUpdater::startDownloadLocked() {
    auto download = std::make_unique<InstallerDownload>(m_savePath, m_sha256);
    if (!download->open()) {
        LOG_ERROR << downloadPrefix + QStringLiteral("error: file open faild!");
        LOG_ERROR << downloadPrefix + QStringLiteral("path:") + m_savePath;
        m_state = State::Failed;
        return false;
    }
    m_download = std::move(download);
    m_lastProgress = -2;
    QNetworkReply *reply = m_issuer.taggedGet(m_downloadUrl, RequestDownload);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onDownloadData(reply); });
    connect(reply, &QNetworkReply::downloadProgress, this, &VersionUpdater::onDownloadProgress);
    LOG_NOTE << "start download software...";
    m_state = State::Downloading;
    return true;
}

void VersionUpdater::onDownloadData(QNetworkReply *reply) {
    if (!m_download || m_download->append(reply->readAll()))
        return;
    LOG_ERROR << downloadPrefix + QStringLiteral("error: ") + m_download->failure();
    reply->abort();
}

void VersionUpdater::onDownloadProgress(qint64 received, qint64 total) {
    const int value = total > 0 ? static_cast<int>(received * 100 / total) : -1;
    if (value == m_lastProgress)
        return;
    m_lastProgress = value;
    emit sigDownloadProgress(static_cast<schar>(value));
}

void VersionUpdater::onDownloadReply(QNetworkReply *reply) {
    bool completed = false;
    bool forced = false;
    {
        QMutexLocker lock(&m_lock);
        forced = m_forced;
        std::unique_ptr<InstallerDownload> download = std::move(m_download);
        if (!download)
            return;
        if (reply->error() != QNetworkReply::NoError) {
            LOG_ERROR << downloadPrefix + QStringLiteral("SERVER reply error:") +
                             reply->errorString() + QStringLiteral(" statusCode:") +
                             QString::number(httpStatus(reply));
            download->discard();
        } else {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (!download->append(reply->readAll()) ||
                !download->finish(length.isValid() ? length.toLongLong() : -1))
                LOG_ERROR << downloadPrefix + QStringLiteral("error: ") + download->failure();
            else
                completed = true;
        }
        m_state = completed ? State::Idle : State::Failed;
    }
    if (completed)
        emit sigDownloadCompleted(forced);
    else
        emit sigDownloadFaild(forced);
}

void VersionUpdater::onVersionReply(QNetworkReply *reply) {
    Outcome outcome = Outcome::None;
    QString fileName;
    bool startup = false;
    bool forced = false;
    {
        QMutexLocker lock(&m_lock);
        startup = m_answerReceived == 0;
        outcome = readAnswerLocked(reply);
        forced = m_forced;
        fileName = QUrl(m_downloadUrl).fileName();
    }
    switch (outcome) {
    case Outcome::Newest:
        emit sigVersionIsNewst(startup);
        break;
    case Outcome::Offer:
        emit sigVersionUpdateHint(fileName, startup, forced);
        break;
    case Outcome::QueryFailed:
        emit sigVersionQueryFaild();
        break;
    case Outcome::None:
        break;
    }
}

VersionUpdater::Outcome VersionUpdater::readAnswerLocked(QNetworkReply *reply) {
    const int status = httpStatus(reply);
    const QString statusText = QStringLiteral(" statusCode:") + QString::number(status);
    if (reply->error() != QNetworkReply::NoError) {
        LOG_ERROR << queryPrefix + QStringLiteral("SERVER reply error:") + reply->errorString() +
                         statusText;
        return failLocked();
    }
    const QByteArray body = reply->readAll();
    const CloudReply answer = CloudReply::decode(status, body);
    switch (answer.body) {
    case CloudReply::Body::Empty:
        LOG_ERROR << queryPrefix + QStringLiteral("no data available");
        return failLocked();
    case CloudReply::Body::Malformed:
        LOG_ERROR << queryPrefix + QStringLiteral("json parse faild, error:") + answer.parseError +
                         statusText;
        LOG_ERROR << queryPrefix + QStringLiteral("body: ") + QString::fromUtf8(body);
        return failLocked();
    case CloudReply::Body::NoCode:
        LOG_ERROR << queryPrefix + QStringLiteral("json content error! body:") +
                         QString::fromUtf8(body);
        return failLocked();
    case CloudReply::Body::Decoded:
        break;
    }
    if (answer.code != 0) {
        LOG_ERROR << queryPrefix + QStringLiteral("error: ") + answer.msg +
                         QStringLiteral(" code:") + QString::number(answer.code);
        return failLocked();
    }

    const VersionOffer offer = VersionOffer::from(answer.data);
    m_forced = offer.isForce;
    if (!offer.version.isEmpty())
        m_latestVersion = offer.version;
    if (!offer.url.isEmpty())
        m_downloadUrl = offer.url;
    m_sha256 = offer.sha256;
    LOG_NOTE << queryPrefix + QStringLiteral("code:") + QString::number(answer.code) +
                    QStringLiteral(" errString:") + answer.msg + QStringLiteral(" isForce:") +
                    QString::fromLatin1(boolText(offer.isForce)) + QStringLiteral(" version:") +
                    offer.version + QStringLiteral(" downloadUrl:") + offer.url;

    if (!m_forced && m_latestVersion == m_programVersion) {
        m_state = State::Idle;
        m_answerReceived = 1;
        m_retries = 0;
        return Outcome::Newest;
    }
    if (m_downloadUrl.isEmpty()) {
        LOG_ERROR << queryPrefix + QStringLiteral("download url is empty!");
        return failLocked();
    }
    m_state = State::UpdateOffered;
    m_retries = 0;
    if (!m_forced)
        m_answerReceived = 1;
    return Outcome::Offer;
}

VersionUpdater::Outcome VersionUpdater::failLocked() {
    if (m_retries > 0) {
        --m_retries;
        m_state = State::QueryRequested;
        return Outcome::None;
    }
    m_state = State::Failed;
    return Outcome::QueryFailed;
}
