// ChildProcess runs one program for a test (directly, or inside a test LAN
// namespace through Netlab::execArgs) and keeps everything it prints, so the
// test can wait for a line with a deadline instead of sleeping. Created and
// used on the test's thread (its output arrives through that thread's event
// loop or the waits below). The destructor stops the program, and the program
// is killed by the kernel should the test process die first.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool start(const QString &program, const QStringList &args,
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    // argv[0] is the program; fits Netlab::execArgs.
    bool start(const QStringList &argv,
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());

    // True once text has appeared on stdout or stderr; false at the deadline
    // or when the program ended without printing it.
    bool waitForOutput(const QString &text, int timeoutMs);
    // True once the program has ended (also when it had ended already).
    bool waitForExit(int timeoutMs);
    bool isRunning() const;
    // Sends line to the program's stdin, ending it with a newline when it has
    // none; true once it has been handed over.
    bool write(const QByteArray &line);
    // End of input for the program.
    void closeWriteChannel() { m_process.closeWriteChannel(); }
    // The exit code; -1 while running, when it never started, or when a
    // signal ended it.
    int exitCode() const;
    qint64 pid() const;

    // SIGTERM, then SIGKILL when it is still running after graceMs.
    void terminate(int graceMs = 3000);
    // SIGKILL at once: a crash as far as the program's files are concerned.
    void kill();

    QString standardOutput() const { return QString::fromLocal8Bit(m_stdout); }
    QString standardError() const { return QString::fromLocal8Bit(m_stderr); }
    // Both streams and the start error, for failure messages.
    QString describe() const;

private:
    void collect();
    bool contains(const QString &text) const;

    QProcess m_process;
    QMetaObject::Connection m_stdoutConnection;
    QMetaObject::Connection m_stderrConnection;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QString m_command;
    bool m_started = false;
};
