#include "options.h"

#include "controlchannel.h"
#include "mdnsresponder.h"

#include <QCommandLineParser>

namespace {

bool parseFlag(const QString &text, bool *value) {
    if (text != QLatin1String("0") && text != QLatin1String("1"))
        return false;
    *value = text == QLatin1String("1");
    return true;
}

bool parsePort(const QString &text, quint16 *port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *port = static_cast<quint16>(value);
    return true;
}

// Identity texts end up between double quotes in the replies.
bool isQuotable(const QString &text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c == u'"' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

bool parseBattery(const QString &capacity, const QString &charge, const QString &ac,
                  Battery *battery) {
    bool ok = false;
    const int value = capacity.toInt(&ok);
    if (!ok || value < 0 || value > 999)
        return false;
    Battery parsed;
    parsed.capacity = value;
    if (!parseFlag(charge, &parsed.charging) || !parseFlag(ac, &parsed.ac))
        return false;
    *battery = parsed;
    return true;
}

ParseResult parseOptions(const QStringList &arguments, Options *options, QString *message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for one camera: its CGI web server, its RTSP stream, its event "
                       "connection to the registered PC, and a control channel on stdin."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Address to serve HTTP and RTSP on (0.0.0.0)."),
                                     QStringLiteral("A"));
    const QCommandLineOption httpPort(QStringLiteral("http-port"),
                                      QStringLiteral("HTTP port, 0 for any free one (80)."),
                                      QStringLiteral("P"));
    const QCommandLineOption eventPort(QStringLiteral("event-port"),
                                       QStringLiteral("Port on the PC to push events to (9002)."),
                                       QStringLiteral("P"));
    const QCommandLineOption uid(QStringLiteral("uid"),
                                 QStringLiteral("Camera identity (A1B2C3D4E5F6)."),
                                 QStringLiteral("U"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Camera name."),
                                  QStringLiteral("N"));
    const QCommandLineOption softVersion(QStringLiteral("softversion"),
                                         QStringLiteral("Firmware version (V1.0.0)."),
                                         QStringLiteral("V"));
    const QCommandLineOption mediaMode(
        QStringLiteral("media-mode"),
        QStringLiteral("One of %1 (1080P30_HDR_SS).").arg(CameraState::mediaModes().join(u'|')),
        QStringLiteral("M"));
    const QCommandLineOption videoMode(QStringLiteral("video-mode"),
                                       QStringLiteral("PAL|NTSC (PAL)."), QStringLiteral("M"));
    const QCommandLineOption rotation(QStringLiteral("rotation"), QStringLiteral("ON|OFF (OFF)."),
                                      QStringLiteral("R"));
    const QCommandLineOption live(QStringLiteral("live"), QStringLiteral("Start streaming live."));
    const QCommandLineOption battery(QStringLiteral("battery"),
                                     QStringLiteral("Battery capacity 0-999 (87)."),
                                     QStringLiteral("N"));
    const QCommandLineOption charge(QStringLiteral("charge"), QStringLiteral("Charging 0|1 (1)."),
                                    QStringLiteral("0|1"));
    const QCommandLineOption ac(QStringLiteral("ac"), QStringLiteral("On mains 0|1 (1)."),
                                QStringLiteral("0|1"));
    const QCommandLineOption workMode(QStringLiteral("work-mode"),
                                      QStringLiteral("wireless|normal (wireless)."),
                                      QStringLiteral("M"));
    const QCommandLineOption noControl(
        QStringLiteral("no-control"),
        QStringLiteral("Ignore stdin (for running in the background); stop with SIGTERM."));
    const QCommandLineOption mdnsUid(
        QStringLiteral("mdns-uid"),
        QStringLiteral("First label of the mDNS instance name (Torvi_ + --uid)."),
        QStringLiteral("U"));
    const QCommandLineOption noMdns(QStringLiteral("no-mdns"),
                                    QStringLiteral("Do not answer mDNS questions."));
    const QCommandLineOption rtspPort(QStringLiteral("rtsp-port"),
                                      QStringLiteral("RTSP port, 0 for any free one (554)."),
                                      QStringLiteral("P"));
    const QCommandLineOption noRtsp(QStringLiteral("no-rtsp"),
                                    QStringLiteral("Do not serve the RTSP stream."));
    const QCommandLineOption audio(
        QStringLiteral("audio"),
        QStringLiteral("Add an audio track to the RTSP stream: a 1 kHz tone with a 100 ms gap"
                       " at the start of every second."));
    const QCommandLineOption audioCodec(
        QStringLiteral("audio-codec"),
        QStringLiteral("The audio track's coding (implies --audio): opus (48 kHz), alaw (G.711 at"
                       " 8 kHz) or undecodable (SBC, which FFmpeg receivers cannot unpack)."),
        QStringLiteral("C"));
    parser.addOptions({help,        address,   httpPort,  eventPort, uid,     name,
                       softVersion, mediaMode, videoMode, rotation,  live,    battery,
                       charge,      ac,        workMode,  noControl, mdnsUid, noMdns,
                       rtspPort,    noRtsp,    audio,     audioCodec});

    auto invalid = [message](const QString &text) {
        *message = text;
        return ParseResult::Invalid;
    };
    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help)) {
        *message = parser.helpText() + u'\n' + ControlChannel::commandList() + u'\n';
        return ParseResult::Help;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("unexpected argument: ") + parser.positionalArguments()[0]);

    Options parsed;
    if (parser.isSet(address)) {
        const QHostAddress host(parser.value(address));
        if (host.protocol() != QAbstractSocket::IPv4Protocol)
            return invalid(QStringLiteral("--address needs an IPv4 address, got \"%1\"")
                               .arg(parser.value(address)));
        parsed.address = host;
    }
    if (parser.isSet(httpPort) && !parsePort(parser.value(httpPort), &parsed.httpPort))
        return invalid(QStringLiteral("--http-port needs a port 0-65535, got \"%1\"")
                           .arg(parser.value(httpPort)));
    if (parser.isSet(rtspPort) && !parsePort(parser.value(rtspPort), &parsed.rtspPort))
        return invalid(QStringLiteral("--rtsp-port needs a port 0-65535, got \"%1\"")
                           .arg(parser.value(rtspPort)));
    if (parser.isSet(eventPort) &&
        (!parsePort(parser.value(eventPort), &parsed.eventPort) || parsed.eventPort == 0))
        return invalid(QStringLiteral("--event-port needs a port 1-65535, got \"%1\"")
                           .arg(parser.value(eventPort)));

    const std::pair<const QCommandLineOption *, QString *> texts[] = {
        {&uid, &parsed.identity.uid},
        {&name, &parsed.identity.name},
        {&softVersion, &parsed.identity.softVersion}};
    for (const auto &[option, target] : texts) {
        if (!parser.isSet(*option))
            continue;
        const QString value = parser.value(*option);
        if (!isQuotable(value))
            return invalid(QStringLiteral("--%1 must be non-empty text without double quotes")
                               .arg(option->names().constFirst()));
        *target = value;
    }

    if (parser.isSet(mediaMode)) {
        parsed.mediaMode = parser.value(mediaMode);
        if (!CameraState::isMediaMode(parsed.mediaMode))
            return invalid(QStringLiteral("--media-mode must be one of %1, got \"%2\"")
                               .arg(CameraState::mediaModes().join(u'|'), parsed.mediaMode));
    }
    if (parser.isSet(videoMode)) {
        parsed.videoMode = parser.value(videoMode);
        if (!CameraState::isVideoMode(parsed.videoMode))
            return invalid(QStringLiteral("--video-mode must be PAL or NTSC, got \"%1\"")
                               .arg(parsed.videoMode));
    }
    if (parser.isSet(rotation)) {
        parsed.rotation = parser.value(rotation);
        if (!CameraState::isRotation(parsed.rotation))
            return invalid(
                QStringLiteral("--rotation must be ON or OFF, got \"%1\"").arg(parsed.rotation));
    }
    if (parser.isSet(workMode)) {
        parsed.workMode = parser.value(workMode);
        if (!CameraState::isWorkMode(parsed.workMode))
            return invalid(QStringLiteral("--work-mode must be wireless or normal, got \"%1\"")
                               .arg(parsed.workMode));
    }
    parsed.live = parser.isSet(live);

    const QString capacityText =
        parser.isSet(battery) ? parser.value(battery) : QString::number(parsed.battery.capacity);
    const QString chargeText =
        parser.isSet(charge) ? parser.value(charge) : QString::number(parsed.battery.charging);
    const QString acText = parser.isSet(ac) ? parser.value(ac) : QString::number(parsed.battery.ac);
    if (!parseBattery(capacityText, chargeText, acText, &parsed.battery))
        return invalid(
            QStringLiteral("--battery needs a capacity 0-999, --charge and --ac need 0 or 1"));

    parsed.mdnsUid = parser.isSet(mdnsUid) ? parser.value(mdnsUid)
                                           : QStringLiteral("Torvi_") + parsed.identity.uid;
    if (!MdnsResponder::isInstanceLabel(parsed.mdnsUid))
        return invalid(QStringLiteral("--mdns-uid (Torvi_ + --uid when not given) must be 1 to 63 "
                                      "bytes without '.' or '\\', got \"%1\"")
                           .arg(parsed.mdnsUid));
    parsed.mdns = !parser.isSet(noMdns);
    parsed.rtsp = !parser.isSet(noRtsp);
    const QString codec = parser.value(audioCodec);
    if (codec == QLatin1String("opus") || (codec.isEmpty() && parser.isSet(audio)))
        parsed.audio = AudioTrack::Opus;
    else if (codec == QLatin1String("alaw"))
        parsed.audio = AudioTrack::Alaw;
    else if (codec == QLatin1String("undecodable"))
        parsed.audio = AudioTrack::Undecodable;
    else if (!codec.isEmpty())
        return invalid(QStringLiteral("--audio-codec must be opus, alaw or undecodable, got \"%1\"")
                           .arg(codec));

    parsed.control = !parser.isSet(noControl);
    *options = parsed;
    return ParseResult::Run;
}
