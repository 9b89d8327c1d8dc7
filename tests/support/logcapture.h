// Every diagnostic of the process while a LogCapture lives, from any thread,
// so tests can check what the program logged (and wait for it).
#pragma once

#include <QString>
#include <QStringList>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    bool contains(const QString &text) const;
    // A failure note ("]:[Error]") containing text.
    bool hasError(const QString &text) const;
    bool waitFor(const QString &text, int timeoutMs) const;
    QStringList lines() const;
    void clear();
};
