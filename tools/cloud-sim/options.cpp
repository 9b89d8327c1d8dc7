#include "options.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

bool parseSeconds(const QString &text, int *seconds) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0)
        return false;
    *seconds = value;
    return true;
}

} // namespace

bool isPhoneAccount(const QString &account) {
    static const QRegularExpression phone(QStringLiteral("^[0-9]{11}$"));
    return phone.match(account).hasMatch();
}

bool isEmailAccount(const QString &account) {
    const qsizetype at = account.indexOf(u'@');
    return at > 0 && at < account.size() - 1 && !account.contains(u' ');
}

ParseResult parseOptions(const QStringList &arguments, Options *options, QString *message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the cloud service: account sign-in by one-time code and QR "
                       "code, tokens, the update check and the installer download, with a control "
                       "channel on stdin."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to serve on (required)."),
                                    QStringLiteral("A"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("API port, 0 for any free one (0)."),
                                  QStringLiteral("N"));
    const QCommandLineOption accessTtl(QStringLiteral("access-ttl"),
                                       QStringLiteral("Access token lifetime (7200)."),
                                       QStringLiteral("SEC"));
    const QCommandLineOption refreshTtl(QStringLiteral("refresh-ttl"),
                                        QStringLiteral("Refresh token lifetime (30 days)."),
                                        QStringLiteral("SEC"));
    const QCommandLineOption codeTtl(QStringLiteral("code-ttl"),
                                     QStringLiteral("One-time code lifetime (300)."),
                                     QStringLiteral("SEC"));
    const QCommandLineOption qrTtl(
        QStringLiteral("qr-ttl"), QStringLiteral("QR code lifetime (120)."), QStringLiteral("SEC"));
    const QCommandLineOption account(
        QStringLiteral("account"),
        QStringLiteral("A registered account: 11-digit phone number or e-mail; repeatable."),
        QStringLiteral("PHONE_OR_EMAIL"));
    const QCommandLineOption noControl(
        QStringLiteral("no-control"),
        QStringLiteral("Ignore stdin (for running in the background); stop with SIGTERM."));
    parser.addOptions(
        {help, listen, port, accessTtl, refreshTtl, codeTtl, qrTtl, account, noControl});

    auto invalid = [message](const QString &text) {
        *message = text;
        return ParseResult::Invalid;
    };
    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return ParseResult::Help;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("unexpected argument: ") + parser.positionalArguments()[0]);

    Options parsed;
    // No default address: the service must never end up on an outside interface by accident.
    if (!parser.isSet(listen))
        return invalid(QStringLiteral("--listen is required"));
    parsed.address = QHostAddress(parser.value(listen));
    if (parsed.address.isNull() || parsed.address == QHostAddress::AnyIPv4 ||
        parsed.address == QHostAddress::AnyIPv6)
        return invalid(QStringLiteral("--listen needs one interface address, got \"%1\"")
                           .arg(parser.value(listen)));
    if (parser.isSet(port)) {
        bool ok = false;
        const uint value = parser.value(port).toUInt(&ok);
        if (!ok || value > 65535)
            return invalid(
                QStringLiteral("--port needs a port 0-65535, got \"%1\"").arg(parser.value(port)));
        parsed.port = static_cast<quint16>(value);
    }
    const std::pair<const QCommandLineOption *, int *> ttls[] = {
        {&accessTtl, &parsed.accessTtlSec},
        {&refreshTtl, &parsed.refreshTtlSec},
        {&codeTtl, &parsed.codeTtlSec},
        {&qrTtl, &parsed.qrTtlSec}};
    for (const auto &[option, target] : ttls) {
        if (parser.isSet(*option) && !parseSeconds(parser.value(*option), target))
            return invalid(QStringLiteral("--%1 needs a positive number of seconds, got \"%2\"")
                               .arg(option->names().constFirst(), parser.value(*option)));
    }
    for (const QString &value : parser.values(account)) {
        if (!isPhoneAccount(value) && !isEmailAccount(value))
            return invalid(
                QStringLiteral("--account needs an 11-digit phone number or an e-mail, got \"%1\"")
                    .arg(value));
        parsed.accounts.append(value);
    }
    parsed.control = !parser.isSet(noControl);
    *options = parsed;
    return ParseResult::Run;
}
