// kestra-ui-shots: photographs KestraLive's windows in chosen states, for a
// look at them without clicking through the program. Runs on a real display
// (scripts/screenshots.sh uses Xvfb); lies beside KestraLive to find its
// translations.
//   kestra-ui-shots [--lang zh|en] [--out FOLDER] [--list] [NAME...]
#include "custom/languageloader.h"
#include "custom/uifont.h"
#include "displaycheck.h"
#include "shots.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv) {
    if (!displayReady(argc, argv, "kestra-ui-shots"))
        return 1;
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Saves pictures of KestraLive's windows.");
    parser.addHelpOption();
    parser.addOption({"lang", "Language of the windows: zh or en.", "lang", "zh"});
    parser.addOption({"out", "Folder for the pictures.", "folder", "screenshots"});
    parser.addOption({"list", "Lists the shots and exits."});
    parser.addPositionalArgument("names", "Only these shots.", "[NAME...]");
    parser.process(app);

    installUiFont();
    const bool english = parser.value("lang") == "en";
    if (!installLanguage(english ? 1 : 0)) {
        QTextStream(stderr) << "the translation is missing beside " << app.applicationFilePath()
                            << "\n";
        return 1;
    }

    registerBuildingBlockShots();
    registerLoginShots();
    registerCardShots();
    registerCamPairShots();
    registerMenuShots();
    registerDiscoveryShots();
    registerTrayShots();
    const QStringList only = parser.positionalArguments();
    if (parser.isSet("list")) {
        for (const Shot &shot : shotRegistry())
            QTextStream(stdout) << shot.name << "\n";
        return 0;
    }

    const QString folder = parser.value("out");
    QDir().mkpath(folder);
    ShotContext context(folder, english);
    for (const Shot &shot : shotRegistry()) {
        if (!only.isEmpty() && !only.contains(shot.name))
            continue;
        context.name = shot.name;
        shot.run(context);
    }
    return context.failures == 0 ? 0 : 1;
}
