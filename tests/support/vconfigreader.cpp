// Reads VConfig.ini over and over, as the filter in a video application
// does, and checks that every read is a whole file: empty, or the section
// header followed by the four camera keys in order. Prints "partial: ..." for
// the first torn read, then "reads N partial M" when told to stop (stdin EOF).
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

bool isWhole(const QByteArray &content) {
    if (content.isEmpty())
        return true;
    static const QRegularExpression whole(QStringLiteral(
        R"(^\[VCameralist\]\r?\n(VCamera1=[0-9.]*\r?\n)(VCamera2=[0-9.]*\r?\n)(VCamera3=[0-9.]*\r?\n)(VCamera4=[0-9.]*\r?\n)$)"));
    return whole.match(QString::fromUtf8(content)).hasMatch();
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: vconfigreader PATH (stops at EOF on stdin)\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[1]);
    long reads = 0;
    long partial = 0;
    bool stop = false;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            stop = true;
    });
    printf("reading\n");
    fflush(stdout);
    while (!stop) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray content = file.readAll();
            ++reads;
            if (!isWhole(content) && partial++ == 0)
                printf("partial: %s\n", content.toPercentEncoding().constData());
        }
        QCoreApplication::processEvents();
    }
    printf("reads %ld partial %ld\n", reads, partial);
    return 0;
}
