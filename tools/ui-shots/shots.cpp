#include "shots.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTextStream>
#include <QWidget>
#include <QWindow>

std::vector<Shot> &shotRegistry() {
    static std::vector<Shot> shots;
    return shots;
}

void addShot(const QString &name, std::function<void(ShotContext &)> run) {
    shotRegistry().push_back({name, std::move(run)});
}

bool ShotContext::capture(QWidget *window, const QList<QWidget *> &popups) {
    window->activateWindow();
    window->raise();
    if (!QTest::qWaitForWindowExposed(window)) {
        QTextStream(stderr) << name << ": the window never showed\n";
        ++failures;
        return false;
    }
    QTest::qWait(400); // glides, first paints
    QScreen *screen = window->screen();
    QPixmap picture = screen->grabWindow(window->winId());
    if (!popups.isEmpty()) {
        QPainter painter(&picture);
        for (QWidget *popup : popups) {
            if (popup->isVisible())
                painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - window->pos(),
                                   screen->grabWindow(popup->winId()));
        }
    }
    const QString path = QDir(m_folder).filePath(name + ".png");
    if (picture.isNull() || !picture.save(path)) {
        QTextStream(stderr) << name << ": not saved to " << path << "\n";
        ++failures;
        return false;
    }
    // A rounded window shows nothing of its rectangle at the corners.
    const QImage image = picture.toImage();
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
        if (qAlpha(image.pixel(corner)) != 0) {
            QTextStream(stderr) << name << ": the corner at " << corner.x() << "," << corner.y()
                                << " is not transparent\n";
            ++failures;
            return false;
        }
    }
    QTextStream(stdout) << path << "\n";
    return true;
}
