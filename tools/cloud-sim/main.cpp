// cloud-sim: the cloud service as KestraLive meets it: account sign-in,
// tokens, the update check and the installer download, on plain HTTP at the
// address given. The API runs on QHttpServer; the download has a listener of
// its own (see DownloadServer), and the update check's URLs point there.
// Reports "download <address>:<port>" and then "listening <address>:<port>"
// once both accept connections.
#include "accounts.h"
#include "apiserver.h"
#include "console.h"
#include "controlchannel.h"
#include "downloadserver.h"
#include "options.h"
#include "qrcodes.h"
#include "tokens.h"
#include "updates.h"

#include "platform/shutdownrequest.h"

#include <QCoreApplication>

#include <csignal>

namespace {

QString endpoint(const QHostAddress &address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cloud-sim"));
    // A client that vanishes mid-download must not kill the service.
    ::signal(SIGPIPE, SIG_IGN);

    Options options;
    QString message;
    switch (parseOptions(QCoreApplication::arguments(), &options, &message)) {
    case ParseResult::Help:
        console::out(message);
        return 0;
    case ParseResult::Invalid:
        console::err(QStringLiteral("cloud-sim: ") + message);
        console::err(QStringLiteral("try 'cloud-sim --help'"));
        return 2;
    case ParseResult::Run:
        break;
    }
    quitOnTerminationRequest();

    Accounts accounts(options.codeTtlSec);
    for (const QString &account : options.accounts)
        accounts.add(account);
    Tokens tokens(options.accessTtlSec, options.refreshTtlSec);
    QrCodes qrCodes(options.qrTtlSec);
    Updates updates;
    DownloadServer downloads(&updates);
    ApiServer api(&accounts, &tokens, &qrCodes, &updates);
    ControlChannel control(&accounts, &tokens, &qrCodes, &updates, &api);
    QObject::connect(&control, &ControlChannel::quitRequested, &app,
                     [] { QCoreApplication::exit(0); });

    if (!downloads.listen(options.address)) {
        console::err(QStringLiteral("cloud-sim: cannot listen on %1 for downloads: %2")
                         .arg(options.address.toString(), downloads.errorString()));
        return 1;
    }
    const QString downloadAt = endpoint(options.address, downloads.port());
    updates.setDownloadBase(QStringLiteral("http://") + downloadAt);
    const quint16 port = api.listen(options.address, options.port);
    if (port == 0) {
        console::err(QStringLiteral("cloud-sim: cannot listen on %1")
                         .arg(endpoint(options.address, options.port)));
        return 1;
    }
    if (options.control)
        control.start();
    console::out(QStringLiteral("download ") + downloadAt);
    console::out(QStringLiteral("listening ") + endpoint(options.address, port));
    return QCoreApplication::exec();
}
