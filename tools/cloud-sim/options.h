// cloud-sim's command line: where it listens, how long codes and tokens live,
// and which accounts exist from the start. Parsed once on the main thread.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

struct Options {
    QHostAddress address;
    quint16 port = 0; // 0: any free port
    int accessTtlSec = 7200;
    int refreshTtlSec = 30 * 24 * 3600;
    int codeTtlSec = 300;
    int qrTtlSec = 120;
    QStringList accounts;
    bool control = true; // read commands from stdin, and end with it
};

enum class ParseResult { Run, Help, Invalid };

// message receives the help text (Help) or what was wrong (Invalid).
ParseResult parseOptions(const QStringList &arguments, Options *options, QString *message);

// An account is an 11-digit phone number or an e-mail address.
bool isPhoneAccount(const QString &account);
bool isEmailAccount(const QString &account);
