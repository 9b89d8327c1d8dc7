// kestra-headless: KestraLive's camera side without windows. It starts the log,
// the settings, the HTTP engine, the LAN scanner, mDNS discovery and the
// device registry exactly as the program does, under the program's own name,
// so it writes the same settings files (the filter reads its VConfig.ini).
// What a user would click is given as options:
//
//   kestra-headless [--rescan] [--connect-new] [--pair N] [--main-window] [--seconds N]
//   kestra-headless --store-tokens ACCESS,REFRESH
//
// --rescan scans the local subnets once at start; --connect-new connects every
// new camera found; --pair N binds the first connected camera to virtual
// camera N; --main-window stands for the main window: the virtual cameras see
// it and their status messages are logged. It runs until SIGTERM/SIGINT, or
// for N seconds. --store-tokens writes the cloud account's tokens into the
// encrypted store, as a sign-in would, and exits: the next KestraLive start
// signs in silently with them.
#include "device/camerahub.h"
#include "device/inifile.h"
#include "device/networkthread.h"
#include "log/log.h"
#include "log/logline.h"
#include "platform/mainwindowendpoint.h"
#include "platform/shutdownrequest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

bool readCount(const QCommandLineParser &parser, const QCommandLineOption &option, int low,
               int high, int *value) {
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    if (ok && *value >= low && *value <= high)
        return true;
    fprintf(stderr, "kestra-headless: --%s takes a whole number from %d to %d\n",
            qPrintable(option.names().first()), low, high);
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    // KestraLive's name, so that it uses KestraLive's settings and log folders.
    QCoreApplication::setApplicationName(QStringLiteral("KestraLive"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KestraLive's camera side without windows"));
    parser.addHelpOption();
    const QCommandLineOption rescanOption(QStringLiteral("rescan"),
                                          QStringLiteral("Scan the local subnets at start."));
    const QCommandLineOption connectOption(QStringLiteral("connect-new"),
                                           QStringLiteral("Connect every new camera found."));
    const QCommandLineOption pairOption(
        QStringLiteral("pair"),
        QStringLiteral("Bind the first connected camera to virtual camera N."),
        QStringLiteral("N"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Quit after this many seconds."),
                                           QStringLiteral("N"));
    const QCommandLineOption windowOption(
        QStringLiteral("main-window"),
        QStringLiteral("Stand for the main window: receive the virtual cameras' messages."));
    const QCommandLineOption tokensOption(
        QStringLiteral("store-tokens"),
        QStringLiteral("Store the access and refresh token of a sign-in, then exit."),
        QStringLiteral("ACCESS,REFRESH"));
    parser.addOptions(
        {rescanOption, connectOption, pairOption, windowOption, secondsOption, tokensOption});
    // Not process(): its messages would carry the application name, KestraLive's own here.
    if (!parser.parse(app.arguments())) {
        fprintf(stderr, "kestra-headless: %s\ntry 'kestra-headless --help'\n",
                qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(tokensOption)) {
        const QStringList tokens = parser.value(tokensOption).split(QLatin1Char(','));
        if (tokens.size() != 2 || tokens[0].isEmpty() || tokens[1].isEmpty()) {
            std::fprintf(stderr, "kestra-headless: --store-tokens takes ACCESS,REFRESH\n");
            return 2;
        }
        IniFile &settings = IniFile::getInstance();
        settings.setToken(tokens[0]);
        settings.setRefreshToken(tokens[1]);
        return 0;
    }
    int pairSlot = 0;
    int seconds = 0;
    if (!readCount(parser, pairOption, firstCamID, lastCamID, &pairSlot) ||
        !readCount(parser, secondsOption, 1, 86400, &seconds))
        return 2;

    LOG::init();
    quitOnTerminationRequest();
    NetworkThread worker;
    worker.start();
    CameraHub hub(IniFile::getInstance());
    DevList &devices = hub.devList();

    QObject::connect(&devices, &DevList::sigNewDeviceOnline, &app, [&](DeviceBaseInfo_t dev) {
        LOG_NOTE << "headless: new camera" << dev.mac << "at" << dev.ip;
        if (parser.isSet(connectOption))
            hub.connectCamera(dev.mac);
    });
    bool paired = false;
    QObject::connect(&devices, &DevList::sigUpdateDevice, &app, [&](DeviceBaseInfo_t dev) {
        LOG_NOTE << "headless: camera" << dev.mac << "state" << dev.connectState << "battery"
                 << dev.battery << "charging" << dev.isCharge;
        if (pairSlot && !paired && dev.connectState == Connected &&
            hub.pairCamera(static_cast<CamID_e>(pairSlot), dev.mac)) {
            paired = true;
            LOG_NOTE << "headless: paired" << dev.mac << "with virtual camera" << pairSlot;
        }
    });

    std::unique_ptr<MainWindowEndpoint> window;
    if (parser.isSet(windowOption)) {
        window = std::make_unique<MainWindowEndpoint>();
        if (!window->isOpen())
            return 1;
        QObject::connect(window.get(), &MainWindowEndpoint::vcamMessage, &app,
                         [](quint32 message, quint64 slot, qint64 value) {
                             LOG_NOTE << "headless: virtual camera" << slot << "message" << Qt::hex
                                      << message << Qt::dec << "value" << value;
                         });
    }

    hub.start();
    if (parser.isSet(rescanOption))
        hub.rescan();
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    const int code = QCoreApplication::exec();
    hub.stopDiscovery();
    worker.stop();
    return code;
}
