#include "childprocess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>

ChildProcess::ChildProcess() {
    m_stdoutConnection = QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                                          &m_process, [this] { collect(); });
    m_stderrConnection = QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                                          [this] { collect(); });
    // A crashed or killed test must not leave servers running in the lab.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

ChildProcess::~ChildProcess() {
    terminate();
    // The buffers go before m_process, which may still report output while it
    // is destroyed.
    QObject::disconnect(m_stdoutConnection);
    QObject::disconnect(m_stderrConnection);
}

bool ChildProcess::start(const QString &program, const QStringList &args,
                         const QProcessEnvironment &env) {
    terminate();
    m_stdout.clear();
    m_stderr.clear();
    m_command = (QStringList{program} + args).join(u' ');
    m_process.setProcessEnvironment(env);
    m_process.start(program, args);
    m_started = m_process.waitForStarted(10000);
    return m_started;
}

bool ChildProcess::start(const QStringList &argv, const QProcessEnvironment &env) {
    if (argv.isEmpty())
        return false;
    return start(argv.first(), argv.mid(1), env);
}

void ChildProcess::collect() {
    m_stdout += m_process.readAllStandardOutput();
    m_stderr += m_process.readAllStandardError();
}

bool ChildProcess::contains(const QString &text) const {
    const QByteArray needle = text.toLocal8Bit();
    return m_stdout.contains(needle) || m_stderr.contains(needle);
}

bool ChildProcess::waitForOutput(const QString &text, int timeoutMs) {
    collect();
    if (contains(text))
        return true;
    if (!isRunning())
        return false;

    // Both streams feed in through the event loop; QProcess's own blocking
    // wait only wakes for one of them.
    QEventLoop loop;
    bool found = false;
    auto check = [&] {
        collect();
        if (contains(text)) {
            found = true;
            loop.quit();
        }
    };
    const auto a = QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, check);
    const auto b = QObject::connect(&m_process, &QProcess::readyReadStandardError, &loop, check);
    const auto c = QObject::connect(&m_process, &QProcess::finished, &loop, check);
    const auto d = QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    loop.exec();
    for (const auto &connection : {a, b, c, d})
        QObject::disconnect(connection);

    collect();
    return found || contains(text);
}

bool ChildProcess::waitForExit(int timeoutMs) {
    if (!isRunning())
        return true;
    const bool done = m_process.waitForFinished(timeoutMs);
    collect();
    return done || !isRunning();
}

bool ChildProcess::write(const QByteArray &line) {
    if (!isRunning())
        return false;
    const QByteArray data = line.endsWith('\n') ? line : line + '\n';
    if (m_process.write(data) != data.size())
        return false;
    return m_process.waitForBytesWritten(5000) || m_process.bytesToWrite() == 0;
}

bool ChildProcess::isRunning() const {
    return m_process.state() != QProcess::NotRunning;
}

int ChildProcess::exitCode() const {
    if (!m_started || isRunning() || m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

qint64 ChildProcess::pid() const {
    return m_process.processId();
}

void ChildProcess::terminate(int graceMs) {
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(graceMs)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    collect();
}

void ChildProcess::kill() {
    if (!isRunning())
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
    collect();
}

QString ChildProcess::describe() const {
    QString text = QStringLiteral("command: ") + m_command;
    if (!m_started)
        text += QStringLiteral("\nnot started: ") + m_process.errorString();
    text += QStringLiteral("\nstdout:\n") + standardOutput();
    text += QStringLiteral("\nstderr:\n") + standardError();
    return text;
}
