#include "tarywidget/tarywidget.h"

#include "campair/campair.h"
#include "custom/hintwindow.h"
#include "custom/lineedit.h"
#include "custom/windowplacement.h"
#include "device/camerahub.h"
#include "device/devicesearchip.h"
#include "device/inifile.h"
#include "device/network.h"
#include "item/battery.h"
#include "item/itemaddnewdev.h"
#include "item/itemnewdev.h"
#include "item/itemoffline.h"
#include "item/itemolddev.h"
#include "log/logline.h"
#include "login/signedinaccount.h"
#include "menu/menu.h"
#include "menu/trayprompts.h"
#include "platform/logonstart.h"
#include "platform/mainwindowendpoint.h"
#include "platform/powernotes.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/vcamactivity.h"
#include "ui_tarywidget.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidgetItem>
#include <QScreen>
#include <QScrollBar>
#include <QThread>

namespace {
constexpr int loadingFrameCount = 50;
constexpr int loadingIntervalMs = 50;
constexpr int newCardSpacing = 4;
constexpr int knownCardSpacing = 16;
constexpr int homeInset = 5;
constexpr int exitPauseMs = 200;

const char *const multiHeaderCurrent = "#imgCurrMode{image: url(:/img/multiDev.png);}";
const char *const multiHeaderOther = "#imgOtherMode{border:0px;image: url(:/img/singleDev.png);}";
const char *const singleHeaderCurrent = "#imgCurrMode{image: url(:/img/singleDev.png);}";
const char *const singleHeaderOther = "#imgOtherMode{border:0px;image: url(:/img/multiDev.png);}";

bool isLinked(const DeviceBaseInfo_t &dev) {
    return dev.isOnline && dev.connectState == DevList::Connected;
}
} // namespace

taryWidget::taryWidget(QSystemTrayIcon *trayIcon, WorkMode_e workMode, const TrayParts &parts,
                       QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::taryWidget>()), m_trayIcon(trayIcon), m_parts(parts),
      m_settings(*parts.settings), m_menu(parts.menu), m_network(Network::getInstance()),
      m_workMode(workMode) {
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("KestraStudioMain"));
    ui->frameModeTip->hide();
    ui->frameScrollBar->hide();
    ui->hintWidget->hide();

    setUpModeHeader();
    if (m_workMode == WORKMODE_SINGLE)
        setUpSingleCamera();
    wireButtonsAndMenu();

    ui->devicetList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->devicetList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->devicetList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    ui->devicetList->verticalScrollBar()->setSingleStep(10);
    connect(ui->devicetList->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &taryWidget::onScrollChangeToUI);
    connect(ui->devicetList->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this] { onScrollChangeToUI(ui->devicetList->verticalScrollBar()->value()); });
    connect(ui->vScroll, &QScrollBar::valueChanged, this, &taryWidget::onScrollChangeToListwidget);
    connect(this, &taryWidget::sigScrollChange, this, &taryWidget::onScrollChange);

    wireWindows();

    for (int frame = 0; frame < loadingFrameCount; ++frame)
        m_loadingFrames.append(QPixmap(QStringLiteral(":/loading/refresh/loading_000%1.png")
                                           .arg(frame, 2, 10, QLatin1Char('0'))));
    m_loadingTimer.setInterval(loadingIntervalMs);
    connect(&m_loadingTimer, &QTimer::timeout, this, &taryWidget::onLoadingTimeout);
    m_loadingTimer.start();
    onLoadingTimeout();
    if (QScreen *screen = this->screen())
        connect(screen, &QScreen::availableGeometryChanged, this, &taryWidget::onScreenUpdate);

    placeHome();

    ui->btnOtherMode->installEventFilter(this);
    ui->imgOtherMode->installEventFilter(this);
    for (QWidget *handle :
         {static_cast<QWidget *>(ui->headFrame), static_cast<QWidget *>(ui->tailFrame)}) {
        auto *drag = new DragByHandle(this, handle);
        connect(drag, &DragByHandle::dragged, m_menu, &QWidget::hide);
    }
    show();
    activateWindow();
    raise();
    // Shown once the window has its size, so that the hint centres on it.
    if (m_parts.account && m_parts.account->isSignedIn())
        ui->hintWidget->showHint(tr("登录成功"));

    m_trayIcon->setIcon(QIcon(QStringLiteral(":/img/trayIcon.png")));
    m_trayIcon->setToolTip(tr("星隼无线相机助手"));
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &taryWidget::onShow);
    m_trayIcon->setVisible(true);

    m_hub = std::make_unique<CameraHub>(m_settings);
    wireCameraSide();
    m_activity = std::make_unique<VcamActivity>(m_hub->devList(), *m_network, [this](quint8 index) {
        return m_parts.camPair->takeActivated(index);
    });
    connect(m_activity.get(), &VcamActivity::updateVirtualCamStatus, this,
            &taryWidget::updateVirtualCamStatus);
    m_endpoint = std::make_unique<MainWindowEndpoint>();
    connect(m_endpoint.get(), &MainWindowEndpoint::vcamMessage, m_activity.get(),
            &VcamActivity::handle);
    m_powerNotes = new PowerNotes(this);
    connect(m_powerNotes, &PowerNotes::sleeping, this, [] { LOG_NOTE << "system sleep"; });
    connect(m_powerNotes, &PowerNotes::wokeUp, this, [] { LOG_NOTE << "system wakeup"; });

    m_hub->start();
    m_activity->clear();
    applyLogonStart(m_settings.keepAutorun());
    m_menu->setKeepAutorun(m_settings.keepAutorun());
    m_menu->setKeepNewstVersion(m_settings.keepNewstVersion());
    m_menu->setLanguage(m_settings.language());
    m_menu->setWorkMode(m_workMode);
    m_menu->setVersion(m_network->versionString());
    m_parts.searchDevice->setVersion(m_network->versionString());
    showDiscoveryView();
    fillInitialList();
}

taryWidget::~taryWidget() {
    LOG_NOTE << "trayWidget destroyed, work mode:" << m_workMode;
    m_loadingTimer.stop();
    clearList();
    // The hub stops the mDNS worker before the registry goes.
    m_hub.reset();
}

// --- construction -----------------------------------------------------------

void taryWidget::setUpModeHeader() {
    if (m_workMode == WORKMODE_MULTI) {
        ui->imgCurrMode->setStyleSheet(QLatin1String(multiHeaderCurrent));
        ui->imgOtherMode->setStyleSheet(QLatin1String(multiHeaderOther));
        LOG_NOTE << "current workmode : multi-dev";
    } else {
        ui->imgCurrMode->setStyleSheet(QLatin1String(singleHeaderCurrent));
        ui->imgOtherMode->setStyleSheet(QLatin1String(singleHeaderOther));
        LOG_NOTE << "current workmode : single-dev";
    }
    retranslateModeTexts();
}

void taryWidget::retranslateModeTexts() {
    const bool multi = m_workMode == WORKMODE_MULTI;
    ui->textCurrMode->setText(multi ? tr("多机模式") : tr("单机模式"));
    ui->labelModeTip->setText(multi ? tr("切换至单机模式") : tr("切换至多机模式"));
    ui->labelFindTitle->setText(tr("发现以下可连接的设备"));
    updateHeader();
    if (!multi && m_addCard)
        m_addCard->setTexts(tr("切换其他设备"), tr("切换"));
}

void taryWidget::setUpSingleCamera() {
    m_singleOffline = new itemOffline(ui->frameSingleOffline);
    m_singleOffline->setNumber(1);
    ui->frameSingleOffline->layout()->addWidget(m_singleOffline);
    ui->frameSingleOffline->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_singleOffline, &itemOffline::sigClickOption, this, &taryWidget::onShowOptionUI);
    connect(m_singleOffline, &itemOffline::modifyName, this,
            [this](const QString &, const QString &name) { onModifyNameSingle(name); });
    connect(m_singleOffline, &itemOffline::sigReconnect, this, &taryWidget::onReconnect);
    connect(m_singleOffline, &itemOffline::sigRefresh, this, &taryWidget::onRefreshDevice);
    connect(ui->deviceName, &LineEdit::sigTextChange, this, &taryWidget::onModifyNameSingle);
    connect(ui->btnOptions, &QPushButton::clicked, this, &taryWidget::onBtnOption);
    m_addCard = new itemAddNewDev(ui->frameSwitchDevice);
    m_addCard->setTexts(tr("切换其他设备"), tr("切换"));
    ui->frameSwitchDevice->layout()->addWidget(m_addCard);
    connect(m_addCard, &itemAddNewDev::addMoreDevice, this, &taryWidget::onAddMoreDevice);
    ui->frameSingleOffline->hide();
    ui->frameSingleOnline->hide();
    ui->labelConnectTitle->setText(tr("我的设备") + QStringLiteral(" (1)"));
}

void taryWidget::wireButtonsAndMenu() {
    if (m_parts.account) {
        m_menu->setUserId(m_parts.account->userId());
        m_menu->setAccount(m_parts.account->account());
    }
    connect(ui->btnRefresh, &QPushButton::clicked, this, &taryWidget::onBtnRefreshDevice);
    connect(ui->btnNoFind, &QPushButton::clicked, this, &taryWidget::onBtnNoFindDevice);
    connect(ui->btnOtherMode, &QPushButton::clicked, this, &taryWidget::onBtnSwitchWorkMode);
    connect(ui->btnMenu, &QPushButton::clicked, this, &taryWidget::onBtnShowMenu);
    connect(ui->btnClose, &QPushButton::clicked, this, &taryWidget::onBtnClose);
    connect(m_menu, &Menu::sigQuit, this, &taryWidget::onQuit);
    connect(m_menu, &Menu::sigQuitLogin, this, &taryWidget::onQuitLogin);
    connect(m_menu, &Menu::sigKeepNewstVersion, this, &taryWidget::onKeepNewstVersion);
    connect(m_menu, &Menu::sigKeepAutoStartup, this, &taryWidget::onKeepAutoStartup);
    connect(m_menu, &Menu::sigLanguage, this, [this](int language) { onLanguageChange(language); });
    connect(m_menu, &Menu::sigWorkmode, this, [this](int mode) { onSwitchWorkMode(mode); });
}

void taryWidget::wireWindows() {
    AddDevice *addDevice = m_parts.addDevice;
    SearchDevice *search = m_parts.searchDevice;
    CamPair *camPair = m_parts.camPair;
    connect(addDevice, &AddDevice::sigConnectDevice, this, &taryWidget::onConnectDevice);
    connect(addDevice, &AddDevice::sigRefresh, this, &taryWidget::onBtnRefreshDevice);
    connect(addDevice, &AddDevice::sigNoFindDevice, this, &taryWidget::onBtnNoFindDevice);
    connect(search, &SearchDevice::sigRefresh, this, &taryWidget::onBtnRefreshDevice);
    connect(search, &SearchDevice::sigClose, this, &taryWidget::onSearchDeviceIPStop);
    connect(this, &taryWidget::updateVirtualCamStatus, camPair, &CamPair::onSyncCamStatus);
    connect(camPair, &CamPair::camUnpaired, this, &taryWidget::onUnpairedVirtualCam);
    connect(camPair, &CamPair::sigSwitchHDR, this, &taryWidget::onSwitchHDR);
    if (m_workMode == WORKMODE_MULTI)
        connect(camPair, &CamPair::sigRemoveDevice, this, &taryWidget::onRemoveDevice);
    else
        connect(camPair, &CamPair::sigRemoveDevice, this, &taryWidget::onRemoveDeviceSingle);
}

void taryWidget::wireCameraSide() {
    DevList &devices = m_hub->devList();
    connect(&devices, &DevList::sigNewDeviceOnline, this, &taryWidget::onNewDeviceOnline,
            Qt::QueuedConnection);
    connect(&devices, &DevList::sigHistoryDeviceOnline, this, &taryWidget::onHistoryDeviceOnline,
            Qt::QueuedConnection);
    connect(&devices, &DevList::sigNewDeviceOffline, this, &taryWidget::onNewDeviceOffline,
            Qt::QueuedConnection);
    connect(&devices, &DevList::sigHistoryDeviceOffline, this, &taryWidget::onHistoryDeviceOffline,
            Qt::QueuedConnection);
    if (m_workMode == WORKMODE_MULTI)
        connect(&devices, &DevList::sigUpdateDevice, this, &taryWidget::onUpdateDevice,
                Qt::QueuedConnection);
    else
        connect(&devices, &DevList::sigUpdateDevice, this, &taryWidget::onUpdateDeviceSingle,
                Qt::QueuedConnection);
    connect(&devices, &DevList::sigVideoParamUpdateHDR, this, &taryWidget::onVideoParamUpdateHDR);
    connect(&devices, &DevList::sigVideoParamUpdateLiveStatus, this,
            &taryWidget::onVideoParamUpdateLiveStatus);
    connect(DeviceSearchIP::getInstance(), &DeviceSearchIP::sigFinish, this,
            &taryWidget::onSearchDeviceIPFinish, Qt::QueuedConnection);
}

void taryWidget::applyLogonStart(bool on) {
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    if (!setLogonStart(on, program))
        LOG_ERROR << "log-on start entry faild, on:" << on;
}

// --- placement and the tray icon ---------------------------------------------

void taryWidget::computeHome() {
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    m_home = QPoint(area.x() + area.width() - (width() - 1) - homeInset,
                    area.y() + area.height() - (height() - 1) - homeInset);
}

void taryWidget::placeHome() {
    computeHome();
    move(m_home);
}

void taryWidget::hidePopups() {
    m_menu->hideAll();
    m_parts.camPair->hide();
    m_parts.addDevice->hide();
    m_parts.searchDevice->hide();
    ui->hintWidget->hide();
}

void taryWidget::onShow(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context) {
        if (m_menu->isVisible())
            m_menu->hide();
        const QRect icon = m_trayIcon->geometry();
        m_menu->move(icon.x(), icon.y() - m_menu->height());
        m_menu->show();
        m_menu->activateWindow();
        m_menu->raise();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    computeHome();
    LOG_NOTE << "trayWidget show: " << m_home.x() << m_home.y();
    if (isHidden()) {
        move(m_home);
        show();
        activateWindow();
        raise();
    } else {
        if (x() > m_home.x() || y() > m_home.y()) {
            move(m_home);
            LOG_NOTE << "trayWidget show: the position of the trayWidget out of the Screen";
        }
        activateWindow();
        raise();
        if (!isActiveWindow()) {
            hide();
            move(m_home);
            show();
            activateWindow();
            raise();
        }
    }
    for (QWidget *popup :
         {static_cast<QWidget *>(m_parts.camPair), static_cast<QWidget *>(m_parts.addDevice),
          static_cast<QWidget *>(m_parts.searchDevice)}) {
        if (!popup->isVisible())
            continue;
        popup->raise();
        if (!popup->isActiveWindow())
            popup->activateWindow();
    }
    m_menu->raiseVisible();
}

void taryWidget::onScreenUpdate(QRect geometry) {
    LOG_NOTE << "onScreenUpdate: " << geometry;
    hide();
    hidePopups();
    computeHome();
}

void taryWidget::onBtnClose() {
    hide();
    hidePopups();
}

void taryWidget::onBtnShowMenu() {
    const QPoint button = ui->btnMenu->mapToGlobal(QPoint(0, 0));
    m_menu->move(button.x() - m_menu->width(), button.y() - m_menu->height());
    m_menu->show();
    m_menu->activateWindow();
    m_menu->raise();
}

bool taryWidget::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->btnOtherMode || watched == ui->imgOtherMode) {
        if (event->type() == QEvent::Enter) {
            ui->frameModeTip->adjustSize();
            const QPoint anchor = ui->btnOtherMode->mapTo(ui->baseFrame, QPoint(0, 0));
            ui->frameModeTip->move(
                qMin(anchor.x() + ui->btnOtherMode->width() - ui->frameModeTip->width(),
                     ui->baseFrame->width() - ui->frameModeTip->width() - 8),
                anchor.y() - ui->frameModeTip->height() - 8);
            ui->frameModeTip->raise();
            ui->frameModeTip->show();
        } else if (event->type() == QEvent::Leave) {
            ui->frameModeTip->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void taryWidget::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        retranslateModeTexts();
        ui->labelPaired->setText(tr("已配对虚拟摄像机Kestra Camera") + QStringLiteral("1"));
    }
    QWidget::changeEvent(event);
}

// --- list scrolling and the loading animation ---------------------------------

void taryWidget::onScrollChange() {
    QScrollBar *listBar = ui->devicetList->verticalScrollBar();
    if (m_listHeight > ui->devicetList->maximumHeight() ||
        m_listHeight > ui->devicetList->height()) {
        ui->vScroll->setRange(listBar->minimum(), listBar->maximum());
        ui->vScroll->setPageStep(listBar->pageStep());
        ui->vScroll->setValue(listBar->value());
        ui->frameScrollBar->show();
    } else {
        ui->frameScrollBar->hide();
    }
}

void taryWidget::onScrollChangeToListwidget(int value) {
    ui->devicetList->verticalScrollBar()->setValue(value);
}

void taryWidget::onScrollChangeToUI(int value) {
    QScrollBar *listBar = ui->devicetList->verticalScrollBar();
    const QSignalBlocker block(ui->vScroll);
    ui->vScroll->setRange(listBar->minimum(), listBar->maximum());
    ui->vScroll->setPageStep(listBar->pageStep());
    ui->vScroll->setValue(value);
}

void taryWidget::onLoadingTimeout() {
    if (m_loadingFrames.isEmpty())
        return;
    ui->imgRefresh->setPixmap(m_loadingFrames.at(m_frameIndex));
    m_frameIndex = (m_frameIndex + 1) % m_loadingFrames.size();
}

// --- buttons and preferences -----------------------------------------------------

void taryWidget::onBtnRefreshDevice() {
    m_parts.searchDevice->showSearching();
    m_hub->rescan();
}

void taryWidget::onBtnNoFindDevice() {
    onBtnRefreshDevice();
}

void taryWidget::onRefreshDevice() {
    m_hub->rescan();
}

void taryWidget::onAddMoreDevice() {
    m_parts.addDevice->show();
    m_parts.addDevice->activateWindow();
    m_parts.addDevice->raise();
}

void taryWidget::onSearchDeviceIPStop() {
    DeviceSearchIP::getInstance()->resetSearch();
}

void taryWidget::onSearchDeviceIPFinish(bool state) {
    if (!m_parts.searchDevice->isVisible())
        return;
    if (!state) {
        m_parts.searchDevice->showNotFound();
        return;
    }
    m_parts.searchDevice->hide();
    if (!inDiscoveryView())
        onAddMoreDevice();
}

void taryWidget::onKeepNewstVersion(bool flag) {
    m_settings.setKeepNewstVersion(flag);
}

void taryWidget::onKeepAutoStartup(bool flag) {
    applyLogonStart(flag);
    m_settings.setKeepAutorun(flag);
}

void taryWidget::onLanguageChange(int language) {
    if (language < 0 || language > 7) {
        LOG_ERROR << "param invalid";
        return;
    }
    m_hub->devList().setLanguageMode(language);
    // The settings window installs the translation; every window retranslates on the event.
    retranslateModeTexts();
}

// --- leaving -----------------------------------------------------------------------

void taryWidget::endLoop(int code) {
    QCoreApplication::exit(code);
}

bool taryWidget::confirmLeavingWhileInUse() {
    if (m_parts.camPair->isAllIdle())
        return true;
    return m_parts.prompts->confirm(tr("确认要退出吗?"), tr("退出会关闭无线相机的功能"), tr("退出"),
                                    tr("取消"));
}

bool taryWidget::refuseWhileDeviceInUse(const QString &mac) {
    if (m_parts.camPair->isDeviceIdle(mac))
        return false;
    m_parts.prompts->notify(tr("无法移除设备!"), tr("当前设备正在被调用，请停止调用再作尝试"),
                            tr("我知道了"));
    return true;
}

void taryWidget::onQuit() {
    if (confirmLeavingWhileInUse())
        hideAndExit();
}

void taryWidget::onQuitLogin() {
    if (confirmLeavingWhileInUse())
        endLoop(ExitSignOut);
}

void taryWidget::onBtnSwitchWorkMode() {
    onSwitchWorkMode(m_workMode == WORKMODE_MULTI ? WORKMODE_SINGLE : WORKMODE_MULTI);
}

void taryWidget::onSwitchWorkMode(int mode) {
    if (!m_parts.camPair->isAllIdle()) {
        m_parts.prompts->notify(tr("无法进行切换!"), tr("当前设备正在被调用，请停止调用再作尝试"),
                                tr("我知道了"));
        return;
    }
    m_hub->devList().setWorkMode(mode);
    m_hub->stopDiscovery();
    hide();
    hidePopups();
    m_trayIcon->hide();
    m_parts.camPair->resetAll();
    m_network->clearAllDevices();
    endLoop(ExitSwitchMode);
}

void taryWidget::hideAndExit() {
    if (m_leaving)
        return;
    m_leaving = true;
    m_network->stopThreads();
    m_hub->stopDiscovery();
    hide();
    hidePopups();
    m_trayIcon->hide();
    QThread::msleep(exitPauseMs);
    endLoop(ExitQuit);
}

void taryWidget::quitLogin() {
    LOG_NOTE << "quit login";
    m_hub->stopDiscovery();
    hide();
    hidePopups();
    m_trayIcon->hide();
    m_parts.camPair->resetAll();
    m_network->clearAllDevices();
}

// --- the list of cards ---------------------------------------------------------------

bool taryWidget::inDiscoveryView() const {
    return ui->stackedWidgetText->currentIndex() == 0 && ui->stackedWidgetList->currentIndex() == 0;
}

void taryWidget::showDiscoveryView() {
    clearList();
    for (const DeviceBaseInfo_t &dev : m_hub->devList().getDeviceList()) {
        if (dev.isHistory || !dev.isOnline)
            continue;
        auto *card = new itemNewDev(dev.mac, dev.name);
        connect(card, &itemNewDev::connectDevice, this, &taryWidget::onConnectDevice);
        insertCard(0, card, dev.mac, CardNew, newCardSpacing);
    }
    ui->btnNoFind->show();
    ui->stackedWidgetText->setCurrentIndex(0);
    ui->stackedWidgetList->setCurrentIndex(0);
    emit sigScrollChange();
}

void taryWidget::showMyDevicesView() {
    ui->btnNoFind->hide();
    ui->stackedWidgetText->setCurrentIndex(1);
    ui->stackedWidgetList->setCurrentIndex(m_workMode == WORKMODE_MULTI ? 0 : 1);
    if (m_loadingTimer.isActive())
        m_loadingTimer.stop();
    updateHeader();
}

void taryWidget::fillInitialList() {
    const QList<DeviceBaseInfo_t> known = [this] {
        QList<DeviceBaseInfo_t> history;
        for (const DeviceBaseInfo_t &dev : m_hub->devList().getDeviceList())
            if (dev.isHistory)
                history.append(dev);
        return history;
    }();
    if (!known.isEmpty()) {
        showMyDevicesView();
        if (m_workMode == WORKMODE_MULTI) {
            clearList();
            for (const DeviceBaseInfo_t &dev : known)
                insertCard(ui->devicetList->count(), makeOfflineCard(dev), dev.mac, CardOffline,
                           knownCardSpacing);
            appendAddCard();
            renumber();
            updateHeader();
            emit sigScrollChange();
        } else {
            showSingleOffline(known.first());
        }
    }
    LOG_NOTE << "history device sync over";
}

int taryWidget::knownRowCount() const {
    const int rows = ui->devicetList->count();
    return m_addCard && m_workMode == WORKMODE_MULTI && rows > 0 ? rows - 1 : rows;
}

int taryWidget::rowOf(const QString &mac) const {
    for (int row = 0; row < knownRowCount(); ++row)
        if (ui->devicetList->item(row)->data(Qt::UserRole).toString() == mac)
            return row;
    return -1;
}

int taryWidget::kindOf(int row) const {
    return ui->devicetList->item(row)->data(Qt::UserRole + 1).toInt();
}

void taryWidget::insertCard(int row, QWidget *card, const QString &mac, CardKind_e kind,
                            int spacing) {
    auto *item = new QListWidgetItem;
    item->setData(Qt::UserRole, mac);
    if (kind != CardNew)
        item->setData(Qt::UserRole + 1, kind);
    item->setData(Qt::UserRole + 2, spacing);
    const QSize hint(card->sizeHint().width(), card->sizeHint().height() + spacing);
    item->setSizeHint(hint);
    ui->devicetList->insertItem(row, item);
    ui->devicetList->setItemWidget(item, card);
    m_listHeight += hint.height();
}

void taryWidget::removeRow(int row) {
    QListWidgetItem *item = ui->devicetList->item(row);
    if (!item)
        return;
    m_listHeight -= item->sizeHint().height();
    QWidget *card = ui->devicetList->itemWidget(item);
    if (card == m_addCard)
        m_addCard = nullptr;
    ui->devicetList->removeItemWidget(item);
    delete ui->devicetList->takeItem(row);
    if (card)
        card->deleteLater();
}

void taryWidget::clearList() {
    while (ui->devicetList->count() > 0)
        removeRow(ui->devicetList->count() - 1);
    m_listHeight = 0;
}

void taryWidget::appendAddCard() {
    if (m_workMode != WORKMODE_MULTI || m_addCard)
        return;
    m_addCard = new itemAddNewDev;
    connect(m_addCard, &itemAddNewDev::addMoreDevice, this, &taryWidget::onAddMoreDevice);
    insertCard(ui->devicetList->count(), m_addCard, QString(), CardNew, knownCardSpacing);
}

itemOffline *taryWidget::makeOfflineCard(const DeviceBaseInfo_t &dev) {
    auto *card = new itemOffline;
    card->setDeviceInfo(dev);
    connect(card, &itemOffline::sigClickOption, this, &taryWidget::onShowOptionUI);
    connect(card, &itemOffline::modifyName, this, &taryWidget::onModifyName);
    connect(card, &itemOffline::sigReconnect, this, &taryWidget::onReconnect);
    connect(card, &itemOffline::sigRefresh, this, &taryWidget::onRefreshDevice);
    return card;
}

itemOldDev *taryWidget::makeOnlineCard(const DeviceBaseInfo_t &dev) {
    CamPair *camPair = m_parts.camPair;
    auto *card = new itemOldDev(dev, *camPair);
    connect(camPair, &CamPair::camPair, card, &itemOldDev::onPairVirtualCam);
    connect(camPair, &CamPair::camUnPair, card, &itemOldDev::onUnPairVirtualCam);
    connect(camPair, &CamPair::camSwitchPair, card, &itemOldDev::onSwitchPairVirtualCam);
    connect(camPair, &CamPair::camPaired, card, &itemOldDev::onPairedVirtualCam);
    connect(camPair, &CamPair::camUnpaired, card, &itemOldDev::onUnpairedVirtualCam);
    connect(card, &itemOldDev::removeCam, this, &taryWidget::onRemoveVirtualCam);
    connect(card, &itemOldDev::bindCam, this, &taryWidget::onBindVirtualCam);
    connect(card, &itemOldDev::modifyName, this, &taryWidget::onModifyName);
    connect(card, &itemOldDev::sigClickOption, this, &taryWidget::onShowOptionUI);
    card->setBattery(dev.battery, dev.isCharge);
    return card;
}

void taryWidget::replaceCard(int row, QWidget *card, CardKind_e kind) {
    const QString mac = ui->devicetList->item(row)->data(Qt::UserRole).toString();
    removeRow(row);
    insertCard(row, card, mac, kind, knownCardSpacing);
}

void taryWidget::renumber() {
    int number = 1;
    for (int row = 0; row < knownRowCount(); ++row) {
        QWidget *card = ui->devicetList->itemWidget(ui->devicetList->item(row));
        if (auto *online = qobject_cast<itemOldDev *>(card))
            online->setNumber(number++);
        else if (auto *offline = qobject_cast<itemOffline *>(card))
            offline->setNumber(number++);
    }
}

void taryWidget::updateHeader() {
    if (m_workMode == WORKMODE_SINGLE) {
        ui->labelConnectTitle->setText(tr("我的设备") + QStringLiteral(" (1)"));
        return;
    }
    const int count = inDiscoveryView() ? 0 : knownRowCount();
    ui->labelConnectTitle->setText(count > 0 ? tr("我的设备") + QStringLiteral(" (%1)").arg(count)
                                             : tr("我的设备"));
}

void taryWidget::restorePairs(itemOldDev *card, const DeviceBaseInfo_t &dev) {
    DevList &devices = m_hub->devList();
    for (int id = firstCamID; id <= lastCamID; ++id) {
        QString mac;
        quint32 liveFlag = 0;
        if (!devices.getCamPair(static_cast<CamID_e>(id), mac, liveFlag) || mac != dev.mac)
            continue;
        devices.setVCameraIP(static_cast<CamID_e>(id), dev.ip);
        card->setVirtualCamStatus(static_cast<CamID_e>(id), liveFlag ? int(liveFlag) : Paired);
    }
}

// --- camera events ---------------------------------------------------------------------

void taryWidget::onNewDeviceOnline(DeviceBaseInfo_t dev) {
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "onNewDeviceOnline: param invalid";
        return;
    }
    if (inDiscoveryView()) {
        if (rowOf(dev.mac) >= 0) {
            LOG_ERROR << "the device card is already exist!  mac:" << dev.mac;
            return;
        }
        auto *card = new itemNewDev(dev.mac, dev.name);
        connect(card, &itemNewDev::connectDevice, this, &taryWidget::onConnectDevice);
        insertCard(0, card, dev.mac, CardNew, newCardSpacing);
        emit sigScrollChange();
    }
    m_parts.addDevice->addDevice(dev.mac, dev.name);
}

void taryWidget::onNewDeviceOffline(QString mac) {
    if (mac.isEmpty()) {
        LOG_ERROR << "onNewDeviceOffline: param is empty";
        return;
    }
    if (inDiscoveryView()) {
        const int row = rowOf(mac);
        if (row >= 0)
            removeRow(row);
        emit sigScrollChange();
    } else if (m_workMode == WORKMODE_MULTI) {
        const int row = rowOf(mac);
        if (row >= 0)
            removeRow(row);
        updateHeader();
        renumber();
        if (knownRowCount() == 0) {
            m_parts.addDevice->hide();
            showDiscoveryView();
        } else {
            emit sigScrollChange();
        }
    } else if (mac == m_current.mac) {
        m_parts.addDevice->hide();
        showDiscoveryView();
        clearCurrent();
    }
    m_parts.addDevice->removeDevice(mac);
}

void taryWidget::onHistoryDeviceOnline(DeviceBaseInfo_t dev) {
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "onHistoryDeviceOnline: param invalid";
        return;
    }
    // The hub has handed the camera to the engine already.
    if (m_workMode == WORKMODE_SINGLE) {
        showSingleOffline(dev);
        m_current = {dev.name, dev.ip, dev.mac, CurrentWaiting};
        return;
    }
    const int row = rowOf(dev.mac);
    if (row >= 0 && kindOf(row) == CardNew) {
        int firstNew = row;
        for (int r = 0; r < knownRowCount(); ++r)
            if (kindOf(r) == CardNew) {
                firstNew = r;
                break;
            }
        removeRow(row);
        insertCard(firstNew, makeOfflineCard(dev), dev.mac, CardOffline, knownCardSpacing);
    }
    renumber();
}

void taryWidget::onHistoryDeviceOffline(DeviceBaseInfo_t dev) {
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "onHistoryDeviceOffline:param invalid";
        return;
    }
    // The hub has told mDNS and the scanner.
    m_parts.camPair->removeDevice(dev.mac);
    if (m_workMode == WORKMODE_SINGLE) {
        showSingleOffline(dev);
        m_current.state = CurrentNone;
        return;
    }
    const int row = rowOf(dev.mac);
    if (row >= 0)
        removeRow(row);
    insertCard(knownRowCount(), makeOfflineCard(dev), dev.mac, CardOffline, knownCardSpacing);
    renumber();
}

void taryWidget::onUpdateDevice(DeviceBaseInfo_t dev) {
    const int row = rowOf(dev.mac);
    if (row < 0)
        return;
    QWidget *card = ui->devicetList->itemWidget(ui->devicetList->item(row));
    const int kind = kindOf(row);
    if (kind == CardOnline) {
        auto *online = qobject_cast<itemOldDev *>(card);
        if (!isLinked(dev)) {
            m_parts.camPair->removeDevice(dev.mac);
            replaceCard(row, makeOfflineCard(dev), CardOffline);
            renumber();
        } else if (online) {
            online->setBattery(dev.battery, dev.isCharge);
        }
    } else if (kind == CardOffline) {
        if (!isLinked(dev)) {
            if (auto *offline = qobject_cast<itemOffline *>(card))
                offline->setDeviceInfo(dev);
            m_parts.camPair->removeDevice(dev.mac);
        } else {
            itemOldDev *online = makeOnlineCard(dev);
            replaceCard(row, online, CardOnline);
            restorePairs(online, dev);
            renumber();
        }
    }
}

void taryWidget::onUpdateDeviceSingle(DeviceBaseInfo_t dev) {
    if (dev.mac != m_current.mac)
        return;
    switch (m_current.state) {
    case CurrentOnline:
        if (!isLinked(dev)) {
            m_current.state = static_cast<CurrentState_e>(dev.connectState);
            showSingleOffline(dev);
            m_parts.camPair->removeDevice(dev.mac);
            m_network->removeVideoParam(dev.ip);
        } else {
            ui->battery->setLevel(dev.battery);
            ui->battery->setCharging(dev.isCharge);
        }
        break;
    case CurrentWaiting:
        if (!isLinked(dev)) {
            m_current.state = CurrentLost;
            showSingleOffline(dev);
            m_network->removeVideoParam(dev.ip);
            m_parts.camPair->removeDevice(dev.mac);
        } else {
            m_current.state = CurrentOnline;
            showSingleOnline(dev);
        }
        break;
    case CurrentLost:
        if (isLinked(dev)) {
            m_current.state = CurrentOnline;
            showSingleOnline(dev);
        }
        break;
    case CurrentNone:
        break;
    }
}

void taryWidget::showSingleOffline(const DeviceBaseInfo_t &dev) {
    m_singleOffline->setDeviceInfo(dev);
    ui->frameSingleOnline->hide();
    ui->frameSingleOffline->show();
}

void taryWidget::showSingleOnline(const DeviceBaseInfo_t &dev) {
    ui->deviceName->setName(dev.name);
    ui->deviceIP->setText(QStringLiteral("IP:") + dev.ip);
    ui->battery->setLevel(dev.battery);
    ui->battery->setCharging(dev.isCharge);
    ui->labelPaired->setText(tr("已配对虚拟摄像机Kestra Camera") + QStringLiteral("1"));
    ui->frameSingleOffline->hide();
    ui->frameSingleOnline->show();
    // The one camera of single mode always feeds the first virtual camera.
    if (m_hub->devList().setCamPair(VCamera1, dev.mac))
        m_parts.camPair->setCamStatus(VCamera1, Paired, dev.mac, dev.name);
}

void taryWidget::clearCurrent() {
    m_current = CurrentDevice{};
}

void taryWidget::forgetCamera(const QString &mac) {
    m_hub->forgetCamera(mac);
    m_parts.camPair->removeDevice(mac);
}

// --- user actions on cameras --------------------------------------------------------------

void taryWidget::onConnectDevice(QString mac) {
    if (mac.isEmpty()) {
        LOG_ERROR << "onConnectDevice: param is empty";
        return;
    }
    if (m_workMode == WORKMODE_MULTI) {
        if (inDiscoveryView()) {
            for (int row = knownRowCount() - 1; row >= 0; --row)
                if (kindOf(row) == CardNew)
                    removeRow(row);
            showMyDevicesView();
            appendAddCard();
        }
        if (!m_hub->connectCamera(mac))
            return;
        const int stale = rowOf(mac);
        if (stale >= 0)
            removeRow(stale);
        insertCard(knownRowCount(), makeOfflineCard(m_hub->devList().getDevMeta(mac)), mac,
                   CardOffline, knownCardSpacing);
        m_parts.addDevice->removeDevice(mac);
        renumber();
        updateHeader();
        emit sigScrollChange();
        return;
    }
    if (!m_current.mac.isEmpty() && refuseWhileDeviceInUse(m_current.mac))
        return;
    clearList();
    if (m_current.state != CurrentNone || !m_current.mac.isEmpty())
        forgetCamera(m_current.mac);
    clearCurrent();
    if (!m_hub->switchCamera(mac))
        return;
    const DeviceBaseInfo_t dev = m_hub->devList().getDevMeta(mac);
    m_current = {dev.name, dev.ip, dev.mac, CurrentWaiting};
    m_parts.addDevice->removeDevice(mac);
    m_parts.addDevice->hide();
    showMyDevicesView();
    showSingleOffline(dev);
}

void taryWidget::onReconnect(QString mac) {
    if (!m_hub->reconnectCamera(mac))
        return;
    const DeviceBaseInfo_t dev = m_hub->devList().getDevMeta(mac);
    if (m_workMode == WORKMODE_MULTI) {
        const int row = rowOf(mac);
        if (row >= 0)
            if (auto *card = qobject_cast<itemOffline *>(
                    ui->devicetList->itemWidget(ui->devicetList->item(row))))
                card->setDeviceInfo(dev);
        return;
    }
    showSingleOffline(dev);
    m_current.state = CurrentWaiting;
}

void taryWidget::onRemoveDevice(QString mac) {
    if (mac.isEmpty()) {
        LOG_ERROR << "onRemoveDevice: param is empty";
        return;
    }
    if (refuseWhileDeviceInUse(mac))
        return;
    if (!m_parts.prompts->confirm(tr("确认要移除此设备吗?"), QString(), tr("移除"), tr("取消")))
        return;
    const int row = rowOf(mac);
    const int kind = row >= 0 ? kindOf(row) : CardNew;
    m_hub->removeCamera(mac);
    if (row >= 0)
        removeRow(row);
    if (kind == CardOffline || kind == CardOnline || m_workMode == WORKMODE_SINGLE)
        m_parts.camPair->removeDevice(mac);
    if (m_workMode == WORKMODE_SINGLE) {
        clearCurrent();
        m_parts.addDevice->hide();
        showDiscoveryView();
        return;
    }
    renumber();
    updateHeader();
    if (knownRowCount() == 0) {
        m_parts.addDevice->hide();
        showDiscoveryView();
    } else {
        emit sigScrollChange();
    }
}

void taryWidget::onRemoveDeviceSingle() {
    onRemoveDevice(m_current.mac);
}

void taryWidget::onModifyName(QString mac, QString name) {
    if (mac.isEmpty() || name.isEmpty()) {
        LOG_ERROR << "onModifyName: param is empty! mac:" << mac << " name:" << name;
        return;
    }
    m_hub->devList().modifyDeviceName(mac, name);
    m_parts.camPair->updateSlotName(mac, name);
}

void taryWidget::onModifyNameSingle(QString name) {
    if (name.isEmpty()) {
        LOG_ERROR << "onModifyNameSingle: param is empty";
        return;
    }
    m_current.name = name;
    m_hub->devList().modifyDeviceName(m_current.mac, name);
    m_parts.camPair->updateSlotName(m_current.mac, name);
}

bool taryWidget::knownCamera(const QString &mac, DeviceBaseInfo_t &dev) const {
    if (mac.isEmpty()) {
        LOG_ERROR << "mac is empty";
        return false;
    }
    dev = m_hub->devList().getDevMeta(mac);
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "the Info of the device is error get from devList";
        return false;
    }
    return true;
}

void taryWidget::onShowOptionUI(QString mac) {
    DeviceBaseInfo_t dev;
    if (!knownCamera(mac, dev))
        return;
    m_parts.camPair->setHDRState(dev.videoCfg.hdr, !dev.videoCfg.liveStatus);
    m_parts.camPair->showSettings(mac, dev.name, true);
}

void taryWidget::onBtnOption() {
    onShowOptionUI(m_current.mac);
}

void taryWidget::onSwitchHDR(QString mac, bool status) {
    DeviceBaseInfo_t dev;
    if (!knownCamera(mac, dev))
        return;
    LOG_NOTE << "taryWidget: switch HDR " << mac << boolText(status);
    m_network->setDeviceHDR(dev.ip, status);
}

void taryWidget::onVideoParamUpdateHDR(QString mac, bool status) {
    if (mac.isEmpty()) {
        LOG_ERROR << "mac is empty";
        return;
    }
    m_parts.camPair->updateHDRStatus(mac, status);
}

void taryWidget::onVideoParamUpdateLiveStatus(QString mac, bool status) {
    if (mac.isEmpty()) {
        LOG_ERROR << "mac is empty";
        return;
    }
    // HDR can be switched only while the camera does not stream live.
    m_parts.camPair->updateLIVEStatus(mac, !status);
}

bool taryWidget::checkPairArguments(const QString &mac, CamID_e id, const char *emptyNote,
                                    const char *idNote) {
    if (mac.isEmpty()) {
        LOG_ERROR << emptyNote;
        return false;
    }
    if (!isValidCamID(id)) {
        LOG_ERROR << idNote << static_cast<int>(id);
        return false;
    }
    return true;
}

void taryWidget::onBindVirtualCam(QString mac, CamID_e id) {
    if (checkPairArguments(mac, id, "onBindVirtualCam: the mac is empty",
                           "onBindVirtualCam:id invalid "))
        m_hub->pairCamera(id, mac);
}

void taryWidget::onRemoveVirtualCam(QString mac, CamID_e id) {
    if (checkPairArguments(mac, id, "onRemoveVirtualCam: mac is empty",
                           "onRemoveVirtualCam:id invalid "))
        m_hub->unpairCamera(id, mac);
}

// Nothing follows an unpairing here; the pairing dialog and the cards handle it.
void taryWidget::onUnpairedVirtualCam(QString mac, CamID_e id) {
    checkPairArguments(mac, id, "onUnbindVirtualCam: the mac is empty",
                       "onUnbindVirtualCam:id invalid ");
}
