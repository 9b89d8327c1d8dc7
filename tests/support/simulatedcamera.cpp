#include "support/simulatedcamera.h"

#include "support/netlab.h"

QString SimulatedCamera::program() {
    return QStringLiteral(KESTRA_BINARY_DIR "/tools/camera-sim/torvi-sim");
}

bool SimulatedCamera::start(const Netlab &lab, const QString &host, const QString &address,
                            const QString &uid, const QStringList &options) {
    const QStringList command =
        QStringList{program(), QStringLiteral("--address"), address, QStringLiteral("--uid"), uid} +
        options;
    return m_process.start(lab.execArgs(host, command)) &&
           m_process.waitForOutput(QStringLiteral("ready http="), 10000);
}

bool SimulatedCamera::control(const QString &command) {
    return m_process.write(command.toUtf8()) &&
           m_process.waitForOutput(QStringLiteral("ok ") + command, 5000);
}
