// Menu: the small pop-up menu of the tray window's menu button and the tray
// icon: settings, about the account, about the software, quit. It turns every
// choice into one of its own signals for the tray window and stores nothing.
// It holds the settings and about windows (process-wide, created hidden here)
// and forwards the tray window's values to them. Hides on a mouse press
// anywhere else and when the mouse leaves it; the tray window places and
// shows it.
// One per process (getInstance(), created on first use, hidden); GUI thread only.
#pragma once

#include "menu/menutypes.h"

#include <memory>
#include <QWidget>

class MenuAbout;
class MenuSetting;

namespace Ui {
class Menu;
}

class Menu : public QWidget {
    Q_OBJECT
public:
    static Menu *getInstance();
    ~Menu() override;

    // Hides the menu and the about and settings windows.
    void hideAll();
    // Brings the visible one of the about and settings windows to the front,
    // activating it with focus when it is not the active window.
    void raiseVisible();

    void setKeepNewstVersion(bool flag);
    void setKeepAutorun(bool flag);
    void setLanguage(int language);
    void setWorkMode(int mode);
    void setVersion(const QString &version);
    void setUserId(const QString &userId);
    void setAccount(const QString &account);

    MenuSetting *settings() const { return m_setting; }
    MenuAbout *about() const { return m_about; }

signals:
    void sigQuit();
    void sigQuitLogin();
    void sigKeepNewstVersion(bool flag);
    void sigKeepAutoStartup(bool flag);
    void sigLanguage(languageMode_e language);
    void sigWorkmode(WorkMode_e mode);
    void sigCheckUpdate();

public slots:
    void onShowSettings();
    void onShowAboutAccount();
    void onShowAboutSoftware();
    void onQuit();
    void onQuitLogin();
    void onKeepNewstVersion(bool flag);
    void onKeepAutoStartup(bool flag);
    void onLanguageChange(languageMode_e language);
    void onWorkModeChange(WorkMode_e mode);
    void onCheckUpdate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Menu();
    bool isOwnObject(QObject *object) const;

    std::unique_ptr<Ui::Menu> ui;
    MenuAbout *m_about;
    MenuSetting *m_setting;
};
