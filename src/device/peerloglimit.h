// PeerLogLimit: how many error lines one peer's input may cause. Anyone on the LAN can send to
// the event port, and a line per bad piece let a few megabytes become gigabytes of log. Each
// peer gets linesPerSecond lines a second; the rest are counted, and one line sums them up when
// the peer's next second begins or the peer is forgotten.
//
// Used on the thread of its owner (the event listener's); no locks.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>

class PeerLogLimit {
public:
    static constexpr int linesPerSecond = 5;

    PeerLogLimit() { m_clock.start(); }

    // True when a line about peer may be written now.
    bool allow(const QString &peer);
    // Writes what is still to be summed up for peer and drops its count.
    void forget(const QString &peer);

private:
    struct Window {
        qint64 startMs = 0;
        int lines = 0;
        qint64 suppressed = 0;
    };
    static void reportSuppressed(const QString &peer, const Window &window);

    QElapsedTimer m_clock;
    QHash<QString, Window> m_windows;
};

// Text from outside as a log line shows it: the first `keep` characters, and the whole length
// when there was more. (The log itself writes control characters visibly.)
QString outsideTextPreview(const QString &text, qsizetype keep = 64);
