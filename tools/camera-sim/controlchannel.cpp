#include "controlchannel.h"

#include "camerastate.h"
#include "cgihandler.h"
#include "cgiserver.h"
#include "console.h"
#include "eventpusher.h"
#include "mdnsresponder.h"
#include "options.h"
#include "rtspstreamer.h"

namespace {

// "on" -> true, "off" -> false; anything else leaves ok false.
bool onOff(const QStringList &words, bool *ok) {
    *ok =
        words.size() == 2 && (words[1] == QLatin1String("on") || words[1] == QLatin1String("off"));
    return *ok && words[1] == QLatin1String("on");
}

} // namespace

ControlChannel::ControlChannel(CameraState *state, CgiServer *server, CgiHandler *handler,
                               EventPusher *events, MdnsResponder *mdns, RtspStreamer *rtsp,
                               QObject *parent)
    : QObject(parent), m_state(state), m_server(server), m_handler(handler), m_events(events),
      m_mdns(mdns), m_rtsp(rtsp) {
    connect(&m_input, &StdinLines::line, this, &ControlChannel::execute);
    connect(&m_input, &StdinLines::finished, this, &ControlChannel::quitRequested);
}

void ControlChannel::start() {
    m_input.start();
}

QString ControlChannel::commandList() {
    return QStringLiteral(
        "Control commands, one a line on stdin, answered \"ok <command>\" or \"error <reason>\":\n"
        "  help                           this list\n"
        "  state                          print what the camera reports\n"
        "  live on|off                    start or stop the live stream, with its event\n"
        "  work-mode wireless|normal      the camera's work mode\n"
        "  battery <0-999> <0|1> <0|1>    capacity, charging, on mains\n"
        "  push <arg1> <payload> [result] push an event record as the camera would\n"
        "  push-raw <text>                write text on the event connection as it is\n"
        "  withhold <arg1|all|none>       do not push events of that setting (or any)\n"
        "  split-events on|off [gap-ms]   send each event record in two writes\n"
        "  pair-events on|off             send event records two in one write\n"
        "  no-success on|off              refuse settings (no \"Success\", nothing changes)\n"
        "  delay <ms>                     delay every HTTP reply\n"
        "  http-500 on|off                answer every HTTP request with status 500\n"
        "  silent on|off                  accept HTTP requests but never answer\n"
        "  mdns on|off                    answer mDNS questions or not\n"
        "  mdns-uid <label>               the first label of the mDNS instance name\n"
        "  mdns-address <IPv4>            the address mDNS answers give\n"
        "  rtsp start|stop                open or close the RTSP server\n"
        "  rtsp drop                      close every RTSP client, keep listening\n"
        "  rtsp stall on|off              keep RTSP connections but send nothing\n"
        "  rtsp size <media mode>         change the stream as if on the camera\n"
        "  quit                           end the camera");
}

void ControlChannel::execute(const QString &line) {
    const QString command = line.trimmed();
    if (command.isEmpty())
        return;
    const QStringList words = command.split(u' ', Qt::SkipEmptyParts);

    // The raw text is everything after the first space, inner spaces kept.
    if (words[0] == QLatin1String("push-raw")) {
        const qsizetype space = command.indexOf(u' ');
        if (space < 0) {
            console::out(QStringLiteral("error push-raw needs text"));
            return;
        }
        m_events->pushRaw(command.mid(space + 1).toUtf8());
        console::out(QStringLiteral("ok ") + command);
        return;
    }

    const QString reason = run(words);
    if (reason.isEmpty())
        console::out(QStringLiteral("ok ") + command);
    else
        console::out(QStringLiteral("error ") + reason);
    if (reason.isEmpty() && words[0] == QLatin1String("quit"))
        emit quitRequested();
}

QString ControlChannel::run(const QStringList &words) {
    const QString &name = words[0];
    bool ok = false;

    if (name == QLatin1String("no-success")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: no-success on|off");
        m_handler->setNoSuccess(on);
    } else if (name == QLatin1String("withhold")) {
        if (words.size() != 2)
            return QStringLiteral("usage: withhold <ARG1|all|none>");
        if (words[1] == QLatin1String("none"))
            m_events->withholdNone();
        else
            m_events->withhold(words[1]);
    } else if (name == QLatin1String("delay")) {
        const int ms = words.size() == 2 ? words[1].toInt(&ok) : 0;
        if (!ok || ms < 0)
            return QStringLiteral("usage: delay <ms>");
        m_server->setReplyDelay(ms);
    } else if (name == QLatin1String("http-500")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: http-500 on|off");
        m_server->setFailAll(on);
    } else if (name == QLatin1String("work-mode")) {
        if (words.size() != 2 || !m_state->setWorkMode(words[1]))
            return QStringLiteral("usage: work-mode wireless|normal");
    } else if (name == QLatin1String("battery")) {
        Battery battery;
        if (words.size() != 4 || !parseBattery(words[1], words[2], words[3], &battery))
            return QStringLiteral("usage: battery <capacity 0-999> <charge 0|1> <ac 0|1>");
        m_state->setBattery(battery);
    } else if (name == QLatin1String("split-events")) {
        // An optional third word sets the pause between the halves.
        const QStringList onOffWords = words.mid(0, 2);
        const bool on = onOff(onOffWords, &ok);
        int gapMs = 50;
        if (ok && words.size() == 3)
            gapMs = words[2].toInt(&ok);
        if (!ok || words.size() > 3 || gapMs < 0)
            return QStringLiteral("usage: split-events on|off [gap-ms]");
        m_events->setSplit(on, gapMs);
    } else if (name == QLatin1String("pair-events")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: pair-events on|off");
        m_events->setPaired(on);
    } else if (name == QLatin1String("silent")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: silent on|off");
        m_server->setSilent(on);
    } else if (name == QLatin1String("push")) {
        if (words.size() != 3 && words.size() != 4)
            return QStringLiteral("usage: push <arg1> <payload> [result]");
        CameraEvent event{words[1], words[2]};
        if (words.size() == 4)
            event.result = words[3];
        m_events->push(event);
    } else if (name == QLatin1String("live")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: live on|off");
        m_state->setLive(on);
        m_events->push(
            {QStringLiteral("ADDRTSPSTREAM"), on ? QStringLiteral("1") : QStringLiteral("0")});
    } else if (name == QLatin1String("state")) {
        if (words.size() != 1)
            return QStringLiteral("usage: state");
        console::out(QStringLiteral("state ") + m_state->describe());
    } else if (name == QLatin1String("mdns")) {
        const bool on = onOff(words, &ok);
        if (!ok)
            return QStringLiteral("usage: mdns on|off");
        QString error;
        if (!on)
            m_mdns->close();
        else if (!m_mdns->open(&error))
            return QStringLiteral("mdns: ") + error;
    } else if (name == QLatin1String("mdns-uid")) {
        if (words.size() != 2 || !MdnsResponder::isInstanceLabel(words[1]))
            return QStringLiteral("usage: mdns-uid <label of 1-63 bytes without '.' or '\\'>");
        m_mdns->setUid(words[1]);
    } else if (name == QLatin1String("mdns-address")) {
        const QHostAddress address = words.size() == 2 ? QHostAddress(words[1]) : QHostAddress();
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            return QStringLiteral("usage: mdns-address <IPv4 address>");
        QString error;
        if (!m_mdns->setAddress(address, &error))
            return QStringLiteral("mdns-address: ") + error;
    } else if (name == QLatin1String("rtsp")) {
        return runRtsp(words);
    } else if (name == QLatin1String("help")) {
        console::out(commandList());
    } else if (name == QLatin1String("quit")) {
        if (words.size() != 1)
            return QStringLiteral("usage: quit");
    } else {
        return QStringLiteral("unknown command ") + name + QStringLiteral(" (help lists them)");
    }
    return {};
}

QString ControlChannel::runRtsp(const QStringList &words) {
    const QString usage =
        QStringLiteral("usage: rtsp start|stop|drop|stall on|off|size <media mode>");
    if (words.size() < 2)
        return usage;
    if (!m_rtsp)
        return QStringLiteral("rtsp is off (--no-rtsp)");
    const QString &action = words[1];
    bool ok = false;

    if (action == QLatin1String("start") && words.size() == 2) {
        QString error;
        if (!m_rtsp->start(&error))
            return QStringLiteral("rtsp: ") + error;
    } else if (action == QLatin1String("stop") && words.size() == 2) {
        m_rtsp->stop();
    } else if (action == QLatin1String("drop") && words.size() == 2) {
        m_rtsp->dropClients();
    } else if (action == QLatin1String("stall")) {
        const bool on = onOff(words.mid(1), &ok);
        if (!ok)
            return QStringLiteral("usage: rtsp stall on|off");
        m_rtsp->setStalled(on);
    } else if (action == QLatin1String("size")) {
        // As if changed on the camera itself: the stream follows, no event.
        if (words.size() != 3 || !m_state->setMediaMode(words[2]))
            return QStringLiteral("usage: rtsp size <%1>")
                .arg(CameraState::mediaModes().join(u'|'));
    } else {
        return usage;
    }
    return {};
}
