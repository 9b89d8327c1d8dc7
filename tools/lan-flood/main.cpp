// kestra-lanflood: see floodoptions.cpp's help text.
#include "floodoptions.h"
#include "floods.h"
#include "labguard.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    FloodOptions options;
    QString message;
    switch (parseFloodOptions(app.arguments(), &options, &message)) {
    case FloodParse::Help:
        std::printf("%s\n", qPrintable(message));
        return 0;
    case FloodParse::Invalid:
        std::fprintf(stderr, "kestra-lanflood: %s\n", qPrintable(message));
        return 2;
    case FloodParse::Run:
        break;
    }
    if (const QString outside = outsideLab(); !outside.isEmpty()) {
        std::fprintf(stderr, "kestra-lanflood: refusing to run: %s\n", qPrintable(outside));
        return 2;
    }
    if (options.kind != FloodOptions::Kind::Mdns && !isLabAddress(options.to)) {
        std::fprintf(stderr, "kestra-lanflood: refusing to send to %s: outside the test LAN\n",
                     qPrintable(options.to.toString()));
        return 2;
    }
    QString figures;
    switch (options.kind) {
    case FloodOptions::Kind::Events:
        figures = floodEvents(options);
        break;
    case FloodOptions::Kind::Idle:
        figures = floodIdle(options);
        break;
    case FloodOptions::Kind::Mdns:
        figures = floodMdns(options);
        break;
    }
    std::printf("%s\n", qPrintable(figures));
    return 0;
}
