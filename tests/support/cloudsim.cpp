#include "support/cloudsim.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTimer>

namespace {

// Polls the event loop, which is what brings the child's output in.
template <typename Done> bool waitUntil(Done done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QString lineValue(const QString &output, const QString &key) {
    const QRegularExpression pattern(QStringLiteral("^%1 (\\S+)$").arg(key),
                                     QRegularExpression::MultilineOption);
    return pattern.match(output).captured(1);
}

} // namespace

QString CloudSim::program() {
    return QStringLiteral(KESTRA_BINARY_DIR "/tools/cloud-sim/cloud-sim");
}

bool CloudSim::start(const QStringList &options) {
    if (!m_process.start(program(),
                         QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1")} +
                             options) ||
        !m_process.waitForOutput(QStringLiteral("listening "), 10000))
        return false;
    const QString output = m_process.standardOutput();
    m_host = lineValue(output, QStringLiteral("listening"));
    m_downloadHost = lineValue(output, QStringLiteral("download"));
    return !m_host.isEmpty() && !m_downloadHost.isEmpty();
}

bool CloudSim::control(const QString &command) {
    // Only the answer after this command counts: the same command may have
    // been acknowledged before.
    const qsizetype before = m_process.standardOutput().size();
    if (!m_process.write(command.toUtf8()))
        return false;
    const QString ok = QStringLiteral("\nok ") + command + u'\n';
    auto fresh = [&] {
        return u'\n' + m_process.standardOutput().mid(before);
    };
    bool failed = false;
    waitUntil(
        [&] {
            failed = fresh().contains(QStringLiteral("\nerror "));
            return failed || fresh().contains(ok) || !m_process.isRunning();
        },
        5000);
    return !failed && fresh().contains(ok);
}

QString CloudSim::lastCode(const QString &account) const {
    const QRegularExpression pattern(
        QStringLiteral("^code %1 (\\d{6})$").arg(QRegularExpression::escape(account)),
        QRegularExpression::MultilineOption);
    QString code;
    for (const QRegularExpressionMatch &match : pattern.globalMatch(m_process.standardOutput()))
        code = match.captured(1);
    return code;
}

CloudSim::Tokens CloudSim::issueTokens(const QString &account) {
    if (!control(QStringLiteral("token issue ") + account))
        return {};
    const QRegularExpression pattern(
        QStringLiteral("^tokens %1 (\\S+) (\\S+)$").arg(QRegularExpression::escape(account)),
        QRegularExpression::MultilineOption);
    Tokens tokens;
    for (const QRegularExpressionMatch &match : pattern.globalMatch(m_process.standardOutput()))
        tokens = {match.captured(1), match.captured(2)};
    return tokens;
}

QList<CloudSim::Request> CloudSim::requests() const {
    QList<Request> result;
    const QStringList lines = m_process.standardOutput().split(u'\n');
    auto orEmpty = [](const QString &text) {
        return text == QLatin1String("-") ? QString() : text;
    };
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("request ")))
            continue;
        const QStringList head = line.section(u' ', 1, 2).split(u' ');
        const QString rest = line.section(u' ', 3);
        const qsizetype body = rest.indexOf(QLatin1String(" body="));
        if (head.size() != 2 || !rest.startsWith(QLatin1String("auth=")) || body < 0)
            continue;
        result.append(
            {head[0], head[1], orEmpty(rest.mid(5, body - 5)), orEmpty(rest.mid(body + 6))});
    }
    return result;
}

int CloudSim::countRequests(const QString &pathPart) const {
    int count = 0;
    for (const Request &request : requests())
        count += request.path.contains(pathPart) ? 1 : 0;
    return count;
}

bool CloudSim::waitForRequest(const QString &pathPart, int timeoutMs, int count) {
    return waitUntil([&] { return countRequests(pathPart) >= count || !m_process.isRunning(); },
                     timeoutMs) &&
           countRequests(pathPart) >= count;
}
