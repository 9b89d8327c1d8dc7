#include "support/fakecameranetwork.h"

#include <QTimer>

namespace {

// A reply with a canned body or error, finished by a timer.
class CannedReply : public QNetworkReply {
public:
    CannedReply(QNetworkAccessManager::Operation op, const QNetworkRequest &request,
                const FakeCameraNetwork::Answer &answer, QObject *parent)
        : QNetworkReply(parent), m_body(answer.body) {
        setRequest(request);
        setUrl(request.url());
        setOperation(op);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        QTimer::singleShot(answer.delayMs, this, [this, error = answer.error] {
            if (error != NoError) {
                m_body.clear();
                setError(error, QStringLiteral("canned error"));
                emit errorOccurred(error);
            }
            setFinished(true);
            emit finished();
        });
    }
    void abort() override {}
    qint64 bytesAvailable() const override {
        return m_body.size() - m_offset + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        const qint64 count = std::min(maxSize, qint64(m_body.size()) - m_offset);
        if (count <= 0)
            return -1;
        memcpy(data, m_body.constData() + m_offset, size_t(count));
        m_offset += count;
        return count;
    }

private:
    QByteArray m_body;
    qint64 m_offset = 0;
};

} // namespace

FakeCameraNetwork::Answer FakeCameraNetwork::defaultAnswer(const QString &request) {
    const auto has = [&](const char *text) {
        return request.contains(QLatin1String(text));
    };
    if (has("getbatterycapacity"))
        return {R"(var capacity="87"; var charge="1"; var ac="1";)"};
    if (has("getcommparam"))
        return {R"(var value="wireless";)"};
    if (has("getcamstate"))
        return {R"(var living="false";)"};
    if (has("getworkmodeparam") && has("MEDIAMODE"))
        return {R"(var value="1080P30_HDR_SS";)"};
    if (has("getworkmodeparam") && has("VIDEOMODE"))
        return {R"(var value="PAL";)"};
    if (has("getworkmodeparam"))
        return {R"(var value="OFF";)"};
    return {"Success"};
}

void FakeCameraNetwork::setResponder(Responder responder) {
    QMutexLocker lock(&m_lock);
    m_responder = std::move(responder);
}

QStringList FakeCameraNetwork::requests() const {
    QMutexLocker lock(&m_lock);
    return m_requests;
}

QNetworkReply *FakeCameraNetwork::createRequest(Operation op, const QNetworkRequest &request,
                                                QIODevice *) {
    const QString asked = request.url().toString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    Responder responder;
    {
        QMutexLocker lock(&m_lock);
        m_requests << asked;
        responder = m_responder;
    }
    std::optional<Answer> answer;
    if (responder)
        answer = responder(asked);
    return new CannedReply(op, request, answer ? *answer : defaultAnswer(asked), this);
}
