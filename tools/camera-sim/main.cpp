// torvi-sim: one camera as the PC sees it. Wires the camera state to its web
// server, its RTSP stream, its event connection, its mDNS answers and the
// control channel, then reports "ready http=<address>:<port>" so the driver
// knows it may start.
#include "camerastate.h"
#include "cgihandler.h"
#include "cgiserver.h"
#include "console.h"
#include "controlchannel.h"
#include "eventpusher.h"
#include "mdnsresponder.h"
#include "options.h"
#include "rtspstreamer.h"

#include "platform/shutdownrequest.h"

#include <QCoreApplication>

#include <csignal>

#include <memory>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("torvi-sim"));
    // A PC that vanishes mid-write must not kill the camera.
    ::signal(SIGPIPE, SIG_IGN);

    Options options;
    QString message;
    switch (parseOptions(QCoreApplication::arguments(), &options, &message)) {
    case ParseResult::Help:
        console::out(message);
        return 0;
    case ParseResult::Invalid:
        console::err(QStringLiteral("torvi-sim: ") + message);
        console::err(QStringLiteral("try 'torvi-sim --help'"));
        return 2;
    case ParseResult::Run:
        break;
    }
    quitOnTerminationRequest();

    CameraState state;
    state.setLive(options.live);
    state.setMediaMode(options.mediaMode);
    state.setVideoMode(options.videoMode);
    state.setRotation(options.rotation);
    state.setWorkMode(options.workMode);
    state.setBattery(options.battery);

    EventPusher events(options.eventPort, options.address);
    CgiHandler handler(&state, &events, options.identity);
    CgiServer server([&handler](const HttpRequest &request) { return handler.handle(request); });
    MdnsResponder mdns(options.address, options.mdnsUid);
    std::unique_ptr<RtspStreamer> rtsp;
    if (options.rtsp)
        rtsp = std::make_unique<RtspStreamer>(&state, options.address, options.rtspPort,
                                              options.audio);
    ControlChannel control(&state, &server, &handler, &events, &mdns, rtsp.get());
    QObject::connect(&control, &ControlChannel::quitRequested, &app,
                     [] { QCoreApplication::exit(0); });

    if (!server.listen(options.address, options.httpPort)) {
        console::err(QStringLiteral("torvi-sim: cannot listen on %1:%2: %3")
                         .arg(options.address.toString())
                         .arg(options.httpPort)
                         .arg(server.errorString()));
        return 1;
    }
    // A camera without mDNS is still found by the LAN scan.
    QString mdnsError;
    if (options.mdns && !mdns.open(&mdnsError))
        console::err(QStringLiteral("torvi-sim: mdns off: ") + mdnsError);
    // A stream that cannot start (its port taken) leaves the rest of the
    // camera running; "rtsp start" may try again.
    QString rtspError;
    if (rtsp && !rtsp->start(&rtspError))
        console::err(QStringLiteral("torvi-sim: rtsp off: ") + rtspError);
    if (options.control)
        control.start();
    console::out(
        QStringLiteral("ready http=%1:%2").arg(options.address.toString()).arg(server.port()));
    return QCoreApplication::exec();
}
