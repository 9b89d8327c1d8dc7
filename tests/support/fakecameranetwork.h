// FakeCameraNetwork: a network access manager that never touches the network,
// so the engine's camera logic runs without root or a test LAN. Every GET is
// answered on the next turn of the event loop of the manager's thread (or
// after the answer's delay) with what the responder gives for its path and
// query; by default a camera that does not stream, is in its wireless mode,
// reports 1080P30 with HDR, PAL and no rotation, and accepts every request.
//
// Threads: made and used by the engine's worker; setResponder() and
// requests() may be called from the test's thread (m_lock guards both).
#pragma once

#include <functional>
#include <optional>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringList>

class FakeCameraNetwork : public QNetworkAccessManager {
    Q_OBJECT
public:
    struct Answer {
        QByteArray body;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        int delayMs = 0;
    };
    // Runs on the manager's thread; nothing means the default answer.
    using Responder = std::function<std::optional<Answer>(const QString &request)>;

    static Answer defaultAnswer(const QString &request);

    void setResponder(Responder responder);
    // Path and query of every request so far, in order.
    QStringList requests() const;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;

private:
    mutable QMutex m_lock;
    Responder m_responder;
    QStringList m_requests;
};
