// kestra-screen-grab: saves what a display shows, for the demo's picture of
// KestraLive at work. Grabs the whole screen of $DISPLAY; --crop trims the bare
// (black) background around the windows; with --beside, the given picture is
// scaled to the grab's height and put to its right.
// --from takes an earlier grab instead of the screen.
//   kestra-screen-grab OUT.png [--from GRAB] [--crop] [--beside PICTURE]
// Exit status 0 when the picture was saved, 1 otherwise.
#include "displaycheck.h"
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char **argv) {
    if (!displayReady(argc, argv, "kestra-screen-grab"))
        return 1;
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Saves the screen, optionally beside a picture.");
    parser.addHelpOption();
    parser.addOption({"from", "An earlier grab to use instead of the screen.", "grab"});
    parser.addOption({"crop", "Trims the bare background around the windows."});
    parser.addOption({"beside", "A picture to put to the right of the screen.", "picture"});
    parser.addPositionalArgument("out", "The PNG file to write.");
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    QImage shot;
    if (parser.isSet("from")) {
        shot = QImage(parser.value("from")).convertToFormat(QImage::Format_RGB32);
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    }
    if (shot.isNull()) {
        QTextStream(stderr) << "kestra-screen-grab: nothing to grab\n";
        return 1;
    }
    if (parser.isSet("crop")) {
        QRect windows;
        for (int y = 0; y < shot.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
            for (int x = 0; x < shot.width(); ++x)
                if (qRed(line[x]) | qGreen(line[x]) | qBlue(line[x]))
                    windows |= QRect(x, y, 1, 1);
        }
        if (!windows.isEmpty())
            shot = shot.copy(windows.adjusted(-16, -16, 16, 16).intersected(shot.rect()));
    }
    if (parser.isSet("beside")) {
        const QImage picture(parser.value("beside"));
        if (picture.isNull()) {
            QTextStream(stderr) << "kestra-screen-grab: cannot read " << parser.value("beside")
                                << "\n";
            return 1;
        }
        const QImage scaled = picture.scaledToHeight(shot.height(), Qt::SmoothTransformation);
        QImage both(shot.width() + scaled.width(), shot.height(), QImage::Format_RGB32);
        both.fill(Qt::black);
        QPainter painter(&both);
        painter.drawImage(0, 0, shot);
        painter.drawImage(shot.width(), 0, scaled);
        painter.end();
        shot = both;
    }
    if (!shot.save(parser.positionalArguments().first())) {
        QTextStream(stderr) << "kestra-screen-grab: cannot write "
                            << parser.positionalArguments().first() << "\n";
        return 1;
    }
    return 0;
}
