#include "menu/menuabout.h"

#include "custom/windowplacement.h"
#include "ui_menuabout.h"

#include <QPointer>

MenuAbout *MenuAbout::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<MenuAbout> instance;
    if (!instance)
        instance = new MenuAbout;
    return instance;
}

MenuAbout::MenuAbout()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), ui(std::make_unique<Ui::MenuAbout>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    new DragByHandle(this, ui->headFrame);
    connect(ui->btnClose, &QPushButton::clicked, this, &MenuAbout::onBtnClose);
    connect(ui->checkUpdate, &QPushButton::clicked, this, &MenuAbout::onCheckUpdate);
    connect(ui->btnQuitLogin, &QPushButton::clicked, this, &MenuAbout::onBtnQuitLogin);
    applyTitle();
}

MenuAbout::~MenuAbout() = default;

QString MenuAbout::maskAccount(const QString &account) {
    constexpr qsizetype from = 3;
    if (account.size() <= from)
        return account;
    QString masked = account;
    const qsizetype at = account.indexOf(QLatin1Char('@'));
    if (at < 0)
        return masked.replace(from, 4, QStringLiteral("****"));
    const qsizetype count = at >= 7 ? 4 : at >= 4 ? at - 3 : 0;
    return masked.replace(from, count, QString(count, QLatin1Char('*')));
}

void MenuAbout::showAccountPage() {
    showPage(ui->pageAccount);
}

void MenuAbout::showSoftwarePage() {
    showPage(ui->pageSoftware);
}

void MenuAbout::showPage(QWidget *page) {
    ui->stackedWidget->setCurrentWidget(page);
    applyTitle();
    show();
    activateWindow();
    raise();
}

void MenuAbout::applyTitle() {
    ui->labelTitle->setText(
        ui->stackedWidget->currentWidget() == ui->pageAccount ? tr("关于账号") : tr("关于Kestra"));
}

void MenuAbout::setVersion(const QString &version) {
    m_version = version;
    ui->version->setText(QStringLiteral("V") + version);
}

void MenuAbout::setUserId(const QString &userId) {
    ui->labelUserID->setText(userId);
}

void MenuAbout::setAccount(const QString &account) {
    m_account = account;
    ui->labelAccount->setText(maskAccount(account));
}

void MenuAbout::onBtnClose() {
    hide();
}

void MenuAbout::onCheckUpdate() {
    emit sigCheckUpdate();
}

void MenuAbout::onBtnQuitLogin() {
    emit sigQiutLogin();
}

void MenuAbout::showEvent(QShowEvent *event) {
    centreInAvailableArea(this);
    QWidget::showEvent(event);
}

void MenuAbout::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        const QString userId = ui->labelUserID->text();
        const QString account = ui->labelAccount->text();
        const QString version = ui->version->text();
        ui->retranslateUi(this);
        ui->labelUserID->setText(userId);
        ui->labelAccount->setText(account);
        ui->version->setText(version);
        applyTitle();
    }
    QWidget::changeEvent(event);
}
