// The registry of kestra-ui-shots: named window states to photograph. A shot
// builds its window, shows it and calls capture() with the top-level window
// once the state is set up, possibly from inside the window's own event loop
// (for dialogs that block). Each group of windows registers its shots in its
// own register*Shots() function, called from main.
#pragma once

#include <functional>
#include <QList>
#include <QString>
#include <vector>

class QWidget;

class ShotContext {
public:
    ShotContext(QString folder, bool english) : m_folder(std::move(folder)), m_english(english) {}
    bool english() const { return m_english; }
    // The text of the chosen language, for sample texts the program does not own.
    QString text(const QString &chinese, const QString &english) const {
        return m_english ? english : chinese;
    }
    // Lets the window settle, grabs it from the screen and saves <folder>/<name>.png.
    // Pop-ups over it (their own windows) are painted in where they show.
    bool capture(QWidget *window, const QList<QWidget *> &popups = {});

    QString name;
    int failures = 0;

private:
    QString m_folder;
    bool m_english;
};

struct Shot {
    QString name;
    std::function<void(ShotContext &)> run;
};

std::vector<Shot> &shotRegistry();
void addShot(const QString &name, std::function<void(ShotContext &)> run);

void registerBuildingBlockShots();
void registerLoginShots();
void registerCardShots();
void registerCamPairShots();
void registerMenuShots();
void registerDiscoveryShots();
void registerTrayShots();
