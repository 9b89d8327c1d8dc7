// Netlab brings up a private test LAN (scripts/netlab.sh) for one test: a PC
// namespace, camera namespaces on 10.77.0.0/24 and, when asked, a second subnet
// 10.78.0.0/24. Each instance uses its own namespace prefix, so labs of tests
// running in parallel never meet. Created and used on the test's thread; the
// destructor removes every namespace the lab made.
#pragma once

#include <QString>
#include <QStringList>

class Netlab {
public:
    static constexpr int NoSecondSubnet = -1;

    // secondSubnetCameras = 0 still gives the PC its second interface.
    explicit Netlab(int cameras, int secondSubnetCameras = NoSecondSubnet);
    ~Netlab();
    Netlab(const Netlab &) = delete;
    Netlab &operator=(const Netlab &) = delete;

    // True when this process may create network namespaces (root with a
    // working "ip netns"); tests skip otherwise.
    static bool available();
    // The reason available() is false, for the skip message.
    static QString unavailableReason();

    // Brings the lab up (replacing any leftover lab with the same prefix).
    bool up();
    // Removes every namespace of this lab, also when up() stopped half-way.
    bool down();
    bool isUp() const { return m_up; }
    // The script's combined output of the last up or down, for failure messages.
    QString lastOutput() const { return m_lastOutput; }

    QString prefix() const { return m_prefix; }
    QString pcAddress() const { return QStringLiteral("10.77.0.1"); }
    QString pcSecondAddress() const { return QStringLiteral("10.78.0.1"); }
    // Camera k (from 1) on the first subnet, and on the second.
    QString cameraAddress(int k) const;
    QString secondCameraAddress(int k) const;
    int cameraCount() const { return m_cameras; }
    int secondSubnetCameraCount() const { return m_secondCameras; }

    // host: "pc", "sw", "cam1"..., "camb1"...
    QString namespaceName(const QString &host) const;
    // The argv (program first) that runs command inside the host's namespace.
    // "ip" execs the command, so the started process is the command itself.
    QStringList execArgs(const QString &host, const QStringList &command) const;

    // Moves the whole calling process into the host's namespace, so that it
    // and every thread it starts later see only that host's interfaces.
    // setns() moves only the calling thread, so this fails once the process
    // runs more than one thread.
    bool enter(const QString &host) const;

    static QString scriptPath();
    // Runs the script with this lab's prefix; returns its exit code (-1 when it
    // could not run) and its output.
    int runScript(const QStringList &args, QString *output = nullptr, int timeoutMs = 60000) const;

private:
    QString m_prefix;
    int m_cameras;
    int m_secondCameras;
    bool m_up = false;
    bool m_tried = false;
    QString m_lastOutput;
};
