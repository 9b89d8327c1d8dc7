#include "floodoptions.h"

namespace {

const char *const helpText =
    R"(usage: kestra-lanflood events --to <IPv4> --bytes <N> [--from <IPv4>] [--port <P>]
       kestra-lanflood idle --to <IPv4> --connections <N> --hold <seconds> [--from <IPv4>] [--port <P>]
       kestra-lanflood mdns --answers <N> [--per-second <R>]
       kestra-lanflood --help

Sends what a hostile host on the LAN could send KestraLive, for flood runs in the
test LAN (scripts/netlab.sh). It refuses to run when this host has an IPv4
address outside the lab's subnets 10.77.0.0/24 and 10.78.0.0/24.

  events       One connection to the event port, writing records made of
               nothing but commas ("{,,,...}", 4 KB each) until --bytes are sent.
  idle         Opens --connections connections to the event port, one after
               another, and holds those still open for --hold seconds.
  mdns         Sends --answers mDNS answers to 224.0.0.251:5353, each naming a
               different camera ("Torvi_FLOOD0001" ...), at --per-second (0: at once).

  --to <IPv4>        KestraLive's address (events, idle).
  --from <IPv4>      The local address to send from (events, idle); by default
                     the system chooses.
  --port <P>         The event port (default 9002).
  --bytes <N>        Bytes to send (events).
  --connections <N>  Connections to open (idle).
  --hold <seconds>   How long to keep them (idle).
  --answers <N>      Answers to send (mdns).
  --per-second <R>   Answers a second (mdns; default 0, as fast as possible).
  --max-seconds <S>  Every flood stops after S seconds at most (default 60).

It prints one line of figures at the end ("sent ...") and exits 0, or names
what was wrong and exits 2.)";

bool takeNumber(const QString &text, qint64 minimum, qint64 *value) {
    bool ok = false;
    const qint64 parsed = text.toLongLong(&ok);
    if (!ok || parsed < minimum)
        return false;
    *value = parsed;
    return true;
}

} // namespace

FloodParse parseFloodOptions(const QStringList &arguments, FloodOptions *options,
                             QString *message) {
    const auto invalid = [message](const QString &why) {
        *message = why + QStringLiteral(" (kestra-lanflood --help lists the options)");
        return FloodParse::Invalid;
    };
    if (arguments.size() < 2)
        return invalid(QStringLiteral("no flood named: events, idle or mdns"));
    const QString kind = arguments.at(1);
    if (kind == QLatin1String("--help") || kind == QLatin1String("-h")) {
        *message = QString::fromUtf8(helpText);
        return FloodParse::Help;
    }
    if (kind == QLatin1String("events"))
        options->kind = FloodOptions::Kind::Events;
    else if (kind == QLatin1String("idle"))
        options->kind = FloodOptions::Kind::Idle;
    else if (kind == QLatin1String("mdns"))
        options->kind = FloodOptions::Kind::Mdns;
    else
        return invalid(QStringLiteral("unknown flood \"%1\": events, idle or mdns").arg(kind));

    for (qsizetype i = 2; i < arguments.size(); i += 2) {
        const QString name = arguments.at(i);
        if (i + 1 >= arguments.size())
            return invalid(QStringLiteral("%1 needs a value").arg(name));
        const QString value = arguments.at(i + 1);
        qint64 number = 0;
        const auto needNumber = [&](qint64 minimum) {
            return takeNumber(value, minimum, &number);
        };
        if (name == QLatin1String("--to") || name == QLatin1String("--from")) {
            const QHostAddress address(value);
            if (address.protocol() != QAbstractSocket::IPv4Protocol)
                return invalid(
                    QStringLiteral("%1 must be an IPv4 address, got \"%2\"").arg(name, value));
            (name == QLatin1String("--to") ? options->to : options->from) = address;
        } else if (name == QLatin1String("--port")) {
            if (!needNumber(1) || number > 65535)
                return invalid(QStringLiteral("--port must be 1 to 65535, got \"%1\"").arg(value));
            options->port = static_cast<quint16>(number);
        } else if (name == QLatin1String("--bytes")) {
            if (!needNumber(1))
                return invalid(
                    QStringLiteral("--bytes must be a positive number, got \"%1\"").arg(value));
            options->bytes = number;
        } else if (name == QLatin1String("--connections") || name == QLatin1String("--hold") ||
                   name == QLatin1String("--answers") || name == QLatin1String("--per-second") ||
                   name == QLatin1String("--max-seconds")) {
            const bool mayBeZero = name == QLatin1String("--per-second");
            if (!needNumber(mayBeZero ? 0 : 1) || number > 1000000)
                return invalid(QStringLiteral("%1 must be a number from %2 to 1000000, got \"%3\"")
                                   .arg(name)
                                   .arg(mayBeZero ? 0 : 1)
                                   .arg(value));
            const int count = static_cast<int>(number);
            if (name == QLatin1String("--connections"))
                options->connections = count;
            else if (name == QLatin1String("--hold"))
                options->holdSeconds = count;
            else if (name == QLatin1String("--answers"))
                options->answers = count;
            else if (name == QLatin1String("--per-second"))
                options->perSecond = count;
            else
                options->maxSeconds = count;
        } else {
            return invalid(QStringLiteral("unknown option \"%1\"").arg(name));
        }
    }

    switch (options->kind) {
    case FloodOptions::Kind::Events:
        if (options->to.isNull() || options->bytes == 0)
            return invalid(QStringLiteral("events needs --to and --bytes"));
        break;
    case FloodOptions::Kind::Idle:
        if (options->to.isNull() || options->connections == 0 || options->holdSeconds == 0)
            return invalid(QStringLiteral("idle needs --to, --connections and --hold"));
        break;
    case FloodOptions::Kind::Mdns:
        if (options->answers == 0)
            return invalid(QStringLiteral("mdns needs --answers"));
        break;
    }
    return FloodParse::Run;
}
