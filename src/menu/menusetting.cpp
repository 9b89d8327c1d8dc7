#include "menu/menusetting.h"

#include "custom/languageloader.h"
#include "custom/windowplacement.h"
#include "log/logline.h"
#include "ui_menusetting.h"

#include <QPointer>

MenuSetting *MenuSetting::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<MenuSetting> instance;
    if (!instance)
        instance = new MenuSetting;
    return instance;
}

MenuSetting::MenuSetting()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::MenuSetting>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    new DragByHandle(this, ui->headFrame);

    connect(ui->btnClose, &QPushButton::clicked, this, &MenuSetting::onBtnClose);
    connect(ui->frameKeepNewst, &CheckBox::clicked, this, &MenuSetting::onKeepNewstVersion);
    connect(ui->frameAutoStart, &CheckBox::clicked, this, &MenuSetting::onAutoStart);
    connect(ui->versionCheck, &QPushButton::clicked, this, &MenuSetting::onCheckUpdate);
    connect(ui->btnSaveMode, &QPushButton::clicked, this, &MenuSetting::onBtnSaveWorkMode);
    connect(ui->languageWidget, &PullDownList::clicked, this,
            [this](int index) { onLanguageSwitch(static_cast<qint8>(index)); });
    connect(ui->modeWidget, &PullDownList::clicked, this,
            [this](int index) { onWorkModeSwitch(static_cast<qint8>(index)); });
    applyTexts();
}

MenuSetting::~MenuSetting() = default;

QString MenuSetting::languageName(int language) const {
    switch (language) {
    case LANGUAGE_EN:
        return tr("English");
    case LANGUAGE_ZH_TW:
        return tr("繁体中文");
    case LANGUAGE_DE:
        return tr("Deutsch");
    case LANGUAGE_FR:
        return tr("Français");
    case LANGUAGE_IT:
        return tr("Italiano");
    case LANGUAGE_ES:
        return tr("Español");
    case LANGUAGE_JA:
        return tr("Japanese");
    default:
        return tr("简体中文");
    }
}

QString MenuSetting::modeName(WorkMode_e mode) const {
    return mode == WORKMODE_MULTI ? tr("多机模式") : tr("单机模式");
}

// Everything the form does not translate by itself, in the language on screen.
void MenuSetting::applyTexts() {
    ui->frameKeepNewst->setText(tr("始终保持最新(推荐)"));
    ui->frameAutoStart->setText(tr("开机时自启动本软件"));
    ui->languageWidget->setItems({tr("简体中文"), tr("English")});
    ui->languageWidget->setText(languageName(m_shownLanguage));
    ui->modeWidget->setItems({modeName(WORKMODE_SINGLE), modeName(WORKMODE_MULTI)});
    ui->modeWidget->setText(modeName(m_selectedMode));
    if (!m_version.isEmpty())
        ui->versionInfo->setText(QStringLiteral("V") + m_version);
}

void MenuSetting::setLanguage(int language) {
    if (language < 0 || language >= LANGUAGE_COUNT) {
        LOG_ERROR << "setLanguage: language invalid! " << language;
        return;
    }
    m_language = language;
    if (!installLanguage(language))
        return;
    m_shownLanguage = language;
    // The language-change event comes later, posted; the window is right at once.
    ui->retranslateUi(this);
    applyTexts();
}

void MenuSetting::setWorkMode(int mode) {
    const WorkMode_e value = mode == WORKMODE_MULTI ? WORKMODE_MULTI : WORKMODE_SINGLE;
    m_currentMode = value;
    showMode(value);
}

void MenuSetting::showMode(WorkMode_e mode) {
    m_selectedMode = mode;
    ui->modeWidget->setText(modeName(mode));
}

void MenuSetting::setKeepNewstVersion(bool flag) {
    ui->frameKeepNewst->setChecked(flag);
}

void MenuSetting::setKeepAutorun(bool flag) {
    ui->frameAutoStart->setChecked(flag);
}

void MenuSetting::setVersion(const QString &version) {
    m_version = version;
    ui->versionInfo->setText(QStringLiteral("V") + version);
}

void MenuSetting::onBtnClose() {
    hide();
}

void MenuSetting::onKeepNewstVersion(bool flag) {
    emit sigKeepNewstChecked(flag);
}

void MenuSetting::onAutoStart(bool flag) {
    emit sigAutoStartChecked(flag);
}

void MenuSetting::onCheckUpdate() {
    emit sigCheckUpdateClicked();
}

void MenuSetting::onLanguageSwitch(qint8 index) {
    setLanguage(index);
    // Stored even when the file did not load, so the next start tries again.
    if (index >= 0 && index < LANGUAGE_COUNT)
        emit sigLanguageChange(static_cast<languageMode_e>(index));
}

void MenuSetting::onWorkModeSwitch(qint8 index) {
    showMode(index == WORKMODE_SINGLE ? WORKMODE_SINGLE : WORKMODE_MULTI);
}

void MenuSetting::onBtnSaveWorkMode() {
    if (m_selectedMode == m_currentMode)
        return;
    LOG_NOTE << "work mode change requested:" << m_selectedMode;
    emit sigWorkModeChange(m_selectedMode);
}

void MenuSetting::showEvent(QShowEvent *event) {
    centreInAvailableArea(this);
    QWidget::showEvent(event);
}

// An unsaved choice of mode is dropped however the window goes away.
void MenuSetting::hideEvent(QHideEvent *event) {
    if (m_selectedMode != m_currentMode)
        showMode(m_currentMode);
    QWidget::hideEvent(event);
}

void MenuSetting::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyTexts();
    }
    QWidget::changeEvent(event);
}
