#include "stdinlines.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

void StdinLines::start() {
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinLines::onReadable);
}

void StdinLines::onReadable() {
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n > 0)
        m_buffer.append(chunk, n);

    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray text = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        emit line(QString::fromUtf8(text));
    }
    if (n <= 0) {
        m_notifier->setEnabled(false);
        if (!m_buffer.trimmed().isEmpty())
            emit line(QString::fromUtf8(m_buffer));
        m_buffer.clear();
        emit finished();
    }
}
