#include "qrcodes.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <qrencode.h>

namespace {

constexpr int modulePixels = 6;
constexpr int quietModules = 4; // the white border a reader needs

} // namespace

QrCodes::QrCodes(int ttlSec) : m_ttlSec(ttlSec) {
    m_clock.start();
}

bool QrCodes::countGet(const QString &mac) {
    const qint64 now = m_clock.elapsed();
    QList<qint64> &times = m_gets[mac];
    times.removeIf([now](qint64 t) { return now - t >= getWindowMs; });
    times.append(now);
    return times.size() > maxGets;
}

const QrCodes::Session &QrCodes::create(const QString &mac) {
    Session session;
    session.id =
        QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, u'0');
    session.mac = mac;
    session.expiry = QDeadlineTimer(qint64(m_ttlSec) * 1000);
    m_latest = session.id;
    return *m_sessions.insert(session.id, session);
}

QrCodes::Session *QrCodes::refreshed(Session *session) {
    if (session && session->status != Confirmed && session->expiry.hasExpired())
        session->status = Expired;
    return session;
}

QrCodes::Session *QrCodes::find(const QString &id) {
    const auto it = m_sessions.find(id);
    return refreshed(it == m_sessions.end() ? nullptr : &*it);
}

QrCodes::Session *QrCodes::latest() {
    return find(m_latest);
}

QString QrCodes::content(const QString &id) {
    return QStringLiteral("kestra-login:") + id;
}

QByteArray QrCodes::picture(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    QRcode *code = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    const int side = (code->width + 2 * quietModules) * modulePixels;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte says the module is dark.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int py = 0; py < modulePixels; ++py) {
                uchar *line = image.scanLine((y + quietModules) * modulePixels + py);
                std::fill_n(line + (x + quietModules) * modulePixels, modulePixels, uchar(0));
            }
        }
    }
    QRcode_free(code);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return png;
}
