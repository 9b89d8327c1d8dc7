#include "device/peerloglimit.h"

#include "log/logline.h"

bool PeerLogLimit::allow(const QString &peer) {
    const qint64 now = m_clock.elapsed();
    Window &window = m_windows[peer];
    if (window.lines == 0 || now - window.startMs >= 1000) {
        reportSuppressed(peer, window);
        window = Window{now, 0, 0};
    }
    if (window.lines < linesPerSecond) {
        ++window.lines;
        return true;
    }
    ++window.suppressed;
    return false;
}

void PeerLogLimit::forget(const QString &peer) {
    reportSuppressed(peer, m_windows.take(peer));
}

void PeerLogLimit::reportSuppressed(const QString &peer, const Window &window) {
    if (window.suppressed > 0)
        LOG_ERROR << "cameraIP:" << peer << " " << window.suppressed
                  << "more error lines about its input suppressed (at most" << linesPerSecond
                  << "a second)";
}

QString outsideTextPreview(const QString &text, qsizetype keep) {
    if (text.size() <= keep)
        return text;
    return text.left(keep) + QStringLiteral("... (%1 characters)").arg(text.size());
}
