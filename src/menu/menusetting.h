// MenuSetting: the settings window: keep up to date, start at log-on, the UI
// language and the connection (work) mode, and the version with an update
// check. It applies the language itself (installLanguage) and reports every
// other choice by a signal for the tray window to store. A chosen connection
// mode counts only once saved; closing or hiding the window without saving
// puts the running mode back in the pull-down.
// One per process (getInstance(), created hidden on first use); centred each
// time it shows, dragged by its header. GUI thread only.
#pragma once

#include "menu/menutypes.h"

#include <memory>
#include <QWidget>

namespace Ui {
class MenuSetting;
}

class MenuSetting : public QWidget {
    Q_OBJECT
public:
    static MenuSetting *getInstance();
    ~MenuSetting() override;

    // Applies a language 0-7; 8 and above are ignored. When its translation
    // fails to load nothing visible changes.
    void setLanguage(int language);
    // The mode the program runs in; also what the pull-down shows.
    void setWorkMode(int mode);
    // These two set the boxes without emitting.
    void setKeepNewstVersion(bool flag);
    void setKeepAutorun(bool flag);
    void setVersion(const QString &version);

    int language() const { return m_language; }
    WorkMode_e selectedMode() const { return m_selectedMode; }
    WorkMode_e currentMode() const { return m_currentMode; }

signals:
    void sigKeepNewstChecked(bool flag);
    void sigAutoStartChecked(bool flag);
    void sigCheckUpdateClicked();
    void sigLanguageChange(languageMode_e language);
    void sigWorkModeChange(WorkMode_e mode);

public slots:
    void onBtnClose();
    void onKeepNewstVersion(bool flag);
    void onAutoStart(bool flag);
    void onCheckUpdate();
    void onLanguageSwitch(qint8 index);
    void onWorkModeSwitch(qint8 index);
    void onBtnSaveWorkMode();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    MenuSetting();
    void applyTexts();
    void showMode(WorkMode_e mode);
    QString languageName(int language) const;
    QString modeName(WorkMode_e mode) const;

    std::unique_ptr<Ui::MenuSetting> ui;
    int m_language = LANGUAGE_ZH;
    // The language whose texts are on screen: the last one that loaded.
    int m_shownLanguage = LANGUAGE_ZH;
    WorkMode_e m_selectedMode = WORKMODE_SINGLE;
    WorkMode_e m_currentMode = WORKMODE_SINGLE;
    QString m_version;
};
