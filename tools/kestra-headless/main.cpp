// kestra-headless: KestraLive's controllers without windows. It starts the
// log and the HTTP engine exactly as the program does and hands it the
// cameras named on the command line, so camera control can be watched end to
// end (in its log) on a machine without a desktop.
//
//   kestra-headless [--camera KEY=IP]... [--seconds N]
//
// It runs until SIGTERM/SIGINT, or for N seconds.
#include "device/network.h"
#include "device/networkthread.h"
#include "log/log.h"
#include "log/logline.h"
#include "platform/shutdownrequest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KestraLive's controllers without windows"));
    parser.addHelpOption();
    const QCommandLineOption cameraOption(QStringLiteral("camera"),
                                          QStringLiteral("A camera to connect, as KEY=IP."),
                                          QStringLiteral("KEY=IP"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Quit after this many seconds."),
                                           QStringLiteral("N"));
    parser.addOption(cameraOption);
    parser.addOption(secondsOption);
    parser.process(app);

    QList<QPair<QString, QString>> cameras;
    for (const QString &camera : parser.values(cameraOption)) {
        const QString key = camera.section(QLatin1Char('='), 0, 0);
        const QString ip = camera.section(QLatin1Char('='), 1);
        if (key.isEmpty() || ip.isEmpty()) {
            fprintf(stderr, "kestra-headless: --camera takes KEY=IP, got '%s'\n",
                    qPrintable(camera));
            return 2;
        }
        cameras.append({key, ip});
    }
    bool secondsValid = true;
    const int seconds =
        parser.isSet(secondsOption) ? parser.value(secondsOption).toInt(&secondsValid) : 0;
    if (!secondsValid || seconds < 0) {
        fprintf(stderr, "kestra-headless: --seconds takes a whole number\n");
        return 2;
    }

    LOG::init();
    quitOnTerminationRequest();
    Network *network = Network::getInstance();
    QObject::connect(network, &Network::sigDeviceBatteryInfo, &app,
                     [](const QString &mac, bool isCharge, short battery) {
                         LOG_NOTE << "battery>>>mac:" << mac << " charge:" << isCharge
                                  << " battery:" << battery;
                     });
    QObject::connect(network, &Network::sigDeviceOffine, &app,
                     [](const QString &mac) { LOG_NOTE << "offline>>>mac:" << mac; });
    QObject::connect(network, &Network::sigDeviceAbnormal, &app,
                     [](const QString &mac) { LOG_NOTE << "abnormal>>>mac:" << mac; });
    QObject::connect(network, &Network::sigDeviceParamFeedback, &app,
                     [](const QString &ip, VideoParamType_e type, const QString &value) {
                         LOG_NOTE << "param>>>ip:" << ip << " type:" << type << " value:" << value;
                     });

    NetworkThread worker;
    worker.start();
    for (const auto &[key, ip] : std::as_const(cameras))
        network->addDeviceToHttpMap(key, ip);
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });

    const int code = QCoreApplication::exec();
    worker.stop();
    return code;
}
