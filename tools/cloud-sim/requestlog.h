// The request log: one "request ..." line on stdout for every request the
// service receives, written before it answers, so a test can wait for the
// line and then look at what the program sent. Main thread only.
#pragma once

#include <QByteArray>
#include <QString>

// "request <METHOD> <path> auth=<Authorization or -> body=<one-line body or ->"
void logRequest(const QByteArray &method, const QString &path, const QByteArray &authorization,
                const QByteArray &body);
