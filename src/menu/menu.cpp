#include "menu/menu.h"

#include "menu/menuabout.h"
#include "menu/menusetting.h"
#include "ui_menu.h"

#include <QApplication>
#include <QPointer>
#include <QWindow>

Menu *Menu::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<Menu> instance;
    if (!instance)
        instance = new Menu;
    return instance;
}

Menu::Menu()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::Menu>()), m_about(MenuAbout::getInstance()),
      m_setting(MenuSetting::getInstance()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    m_about->hide();
    m_setting->hide();

    connect(m_about, &MenuAbout::sigCheckUpdate, this, &Menu::onCheckUpdate);
    connect(m_about, &MenuAbout::sigQiutLogin, this, &Menu::onQuitLogin);
    connect(m_setting, &MenuSetting::sigCheckUpdateClicked, this, &Menu::onCheckUpdate);
    connect(m_setting, &MenuSetting::sigKeepNewstChecked, this, &Menu::onKeepNewstVersion);
    connect(m_setting, &MenuSetting::sigAutoStartChecked, this, &Menu::onKeepAutoStartup);
    connect(m_setting, &MenuSetting::sigLanguageChange, this, &Menu::onLanguageChange);
    connect(m_setting, &MenuSetting::sigWorkModeChange, this, &Menu::onWorkModeChange);
    connect(ui->btnSetting, &userAction::clicked, this, &Menu::onShowSettings);
    connect(ui->btnAboutAccount, &userAction::clicked, this, &Menu::onShowAboutAccount);
    connect(ui->btnAboutSoftware, &userAction::clicked, this, &Menu::onShowAboutSoftware);
    connect(ui->btnExit, &userAction::clicked, this, &Menu::onQuit);

    installEventFilter(this);
    qApp->installEventFilter(this);
}

Menu::~Menu() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void Menu::hideAll() {
    hide();
    m_about->hide();
    m_setting->hide();
}

void Menu::raiseVisible() {
    QWidget *window = m_about->isVisible()     ? static_cast<QWidget *>(m_about)
                      : m_setting->isVisible() ? static_cast<QWidget *>(m_setting)
                                               : nullptr;
    if (!window)
        return;
    if (!window->isActiveWindow())
        window->activateWindow();
    window->raise();
    window->setFocus();
}

void Menu::setKeepNewstVersion(bool flag) {
    m_setting->setKeepNewstVersion(flag);
}

void Menu::setKeepAutorun(bool flag) {
    m_setting->setKeepAutorun(flag);
}

void Menu::setLanguage(int language) {
    m_setting->setLanguage(language);
}

void Menu::setWorkMode(int mode) {
    m_setting->setWorkMode(mode);
}

void Menu::setVersion(const QString &version) {
    m_setting->setVersion(version);
    m_about->setVersion(version);
}

void Menu::setUserId(const QString &userId) {
    m_about->setUserId(userId);
}

void Menu::setAccount(const QString &account) {
    m_about->setAccount(account);
}

void Menu::onShowSettings() {
    hide();
    m_setting->show();
    m_setting->activateWindow();
    m_setting->raise();
}

void Menu::onShowAboutAccount() {
    hide();
    m_about->showAccountPage();
}

void Menu::onShowAboutSoftware() {
    hide();
    m_about->showSoftwarePage();
}

void Menu::onQuit() {
    // A confirmation may follow; the menu should not stay over it.
    hide();
    emit sigQuit();
}

void Menu::onQuitLogin() {
    emit sigQuitLogin();
}

void Menu::onKeepNewstVersion(bool flag) {
    emit sigKeepNewstVersion(flag);
}

void Menu::onKeepAutoStartup(bool flag) {
    emit sigKeepAutoStartup(flag);
}

void Menu::onLanguageChange(languageMode_e language) {
    emit sigLanguage(language);
}

void Menu::onWorkModeChange(WorkMode_e mode) {
    emit sigWorkmode(mode);
}

void Menu::onCheckUpdate() {
    emit sigCheckUpdate();
}

bool Menu::isOwnObject(QObject *object) const {
    if (auto *widget = qobject_cast<QWidget *>(object))
        return widget == this || isAncestorOf(widget);
    // Presses reach the native window before its widgets.
    if (auto *window = qobject_cast<QWindow *>(object))
        return window == windowHandle();
    return false;
}

bool Menu::eventFilter(QObject *watched, QEvent *event) {
    if (isVisible()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            if (!isOwnObject(watched))
                hide();
            break;
        case QEvent::Leave:
            if (watched == this)
                hide();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Menu::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
