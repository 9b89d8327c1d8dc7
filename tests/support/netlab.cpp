#include "netlab.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sched.h>

#include <QAtomicInt>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString ipProgram() {
    QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (ip.isEmpty()) {
        // root's PATH in a minimal container may lack the sbin folders.
        ip = QStandardPaths::findExecutable(QStringLiteral("ip"),
                                            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                             QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    }
    return ip.isEmpty() ? QStringLiteral("ip") : ip;
}

// Runs a short command to completion; -1 when it could not start or hung.
int runQuiet(const QString &program, const QStringList &args, QString *output, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        if (output)
            *output = program + QStringLiteral(": ") + process.errorString();
        return -1;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        if (output)
            *output = QString::fromLocal8Bit(process.readAll()) +
                      QStringLiteral("\n(timed out after %1 ms)").arg(timeoutMs);
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Unique per process and per lab: pid and a counter, fixed width so that two
// prefixes can never run into each other.
QString uniquePrefix() {
    static QAtomicInt counter;
    const int n = counter.fetchAndAddRelaxed(1);
    return QStringLiteral("kt") +
           QString::number(static_cast<qlonglong>(::getpid()), 36).rightJustified(5, u'0') +
           QString::number(n % (36 * 36), 36).rightJustified(2, u'0');
}

struct Availability {
    bool ok = false;
    QString reason;
};

Availability probe() {
    if (::geteuid() != 0)
        return {false, QStringLiteral("the test LAN needs root (network namespaces)")};
    if (!QFileInfo(Netlab::scriptPath()).isFile())
        return {false, QStringLiteral("missing ") + Netlab::scriptPath()};
    // Listing works even where creating is refused (containers without
    // CAP_SYS_ADMIN), so try the real thing.
    const QString name = QStringLiteral("ktprobe%1").arg(::getpid());
    QString output;
    if (runQuiet(ipProgram(), {QStringLiteral("netns"), QStringLiteral("add"), name}, &output,
                 10000) != 0) {
        return {false, QStringLiteral("cannot create network namespaces: ") + output.trimmed()};
    }
    runQuiet(ipProgram(), {QStringLiteral("netns"), QStringLiteral("delete"), name}, nullptr,
             10000);
    return {true, {}};
}

const Availability &availability() {
    static const Availability result = probe();
    return result;
}

} // namespace

Netlab::Netlab(int cameras, int secondSubnetCameras)
    : m_prefix(uniquePrefix()), m_cameras(cameras), m_secondCameras(secondSubnetCameras) {}

Netlab::~Netlab() {
    if (m_tried)
        down();
}

bool Netlab::available() {
    return availability().ok;
}

QString Netlab::unavailableReason() {
    return availability().reason;
}

QString Netlab::scriptPath() {
    return QStringLiteral(KESTRA_SOURCE_DIR "/scripts/netlab.sh");
}

int Netlab::runScript(const QStringList &args, QString *output, int timeoutMs) const {
    return runQuiet(QStringLiteral("bash"),
                    QStringList{scriptPath(), QStringLiteral("--prefix"), m_prefix} + args, output,
                    timeoutMs);
}

bool Netlab::up() {
    m_tried = true;
    QStringList args{QStringLiteral("up"), QStringLiteral("--cameras"), QString::number(m_cameras)};
    if (m_secondCameras != NoSecondSubnet)
        args << QStringLiteral("--second-subnet") << QString::number(m_secondCameras);
    m_up = runScript(args, &m_lastOutput) == 0;
    return m_up;
}

bool Netlab::down() {
    const bool ok = runScript({QStringLiteral("down")}, &m_lastOutput) == 0;
    if (ok) {
        m_up = false;
        m_tried = false;
    }
    return ok;
}

QString Netlab::cameraAddress(int k) const {
    return QStringLiteral("10.77.0.%1").arg(19 + k);
}

QString Netlab::secondCameraAddress(int k) const {
    return QStringLiteral("10.78.0.%1").arg(19 + k);
}

QString Netlab::namespaceName(const QString &host) const {
    return m_prefix + u'-' + host;
}

bool Netlab::enter(const QString &host) const {
    const QStringList threads =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.size() != 1) {
        qWarning("netlab: cannot enter %s: the process already runs %d threads", qPrintable(host),
                 int(threads.size()));
        return false;
    }
    const QString path = QStringLiteral("/run/netns/") + namespaceName(host);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return entered;
}

QStringList Netlab::execArgs(const QString &host, const QStringList &command) const {
    return QStringList{ipProgram(), QStringLiteral("netns"), QStringLiteral("exec"),
                       namespaceName(host)} +
           command;
}
