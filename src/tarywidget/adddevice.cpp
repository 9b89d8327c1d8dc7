#include "tarywidget/adddevice.h"

#include "custom/windowplacement.h"
#include "item/itemnewdev.h"
#include "log/logline.h"
#include "ui_adddevice.h"

#include <QEvent>
#include <QShowEvent>

namespace {
constexpr int loadingFrames = 50;
constexpr int loadingIntervalMs = 50;
} // namespace

AddDevice::AddDevice(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::AddDevice>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    new DragByHandle(this, ui->headFrame);

    for (int frame = 0; frame < loadingFrames; ++frame)
        m_loadingFrames.append(QPixmap(QStringLiteral(":/loading/refresh/loading_000%1.png")
                                           .arg(frame, 2, 10, QLatin1Char('0'))));
    ui->imgRefresh->setPixmap(m_loadingFrames.first());
    m_loadingTimer.setInterval(loadingIntervalMs);
    connect(&m_loadingTimer, &QTimer::timeout, this, &AddDevice::onLoadingTimeout);

    connect(ui->btnClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &AddDevice::sigRefresh);
    connect(ui->btnNoFindDevice, &QPushButton::clicked, this, &AddDevice::sigNoFindDevice);
    fitList();
}

AddDevice::~AddDevice() = default;

bool AddDevice::addDevice(const QString &mac, const QString &name) {
    if (mac.isEmpty()) {
        LOG_ERROR << "AddDevice::addDevice: mac is empty";
        return false;
    }
    if (itemOf(mac))
        return false;
    auto *card = new itemNewDev(mac, name);
    connect(card, &itemNewDev::connectDevice, this, &AddDevice::onConnectDevice);
    auto *item = new QListWidgetItem;
    item->setData(Qt::UserRole, mac);
    item->setSizeHint(QSize(card->width(), card->height() + rowSpacing));
    // The newest camera comes first, as in the main window's list.
    ui->deviceList->insertItem(0, item);
    ui->deviceList->setItemWidget(item, card);
    fitList();
    return true;
}

bool AddDevice::removeDevice(const QString &mac) {
    QListWidgetItem *item = itemOf(mac);
    if (!item)
        return false;
    // The view deletes the card later: it may be the card whose button is being handled.
    delete ui->deviceList->takeItem(ui->deviceList->row(item));
    fitList();
    return true;
}

void AddDevice::clear() {
    ui->deviceList->clear();
    fitList();
}

int AddDevice::count() const {
    return ui->deviceList->count();
}

bool AddDevice::contains(const QString &mac) const {
    return itemOf(mac) != nullptr;
}

QListWidgetItem *AddDevice::itemOf(const QString &mac) const {
    for (int row = 0; row < ui->deviceList->count(); ++row) {
        QListWidgetItem *item = ui->deviceList->item(row);
        if (item->data(Qt::UserRole).toString() == mac)
            return item;
    }
    return nullptr;
}

int AddDevice::listHeight() const {
    return ui->deviceList->height();
}

void AddDevice::fitList() {
    int height = 0;
    for (int row = 0; row < ui->deviceList->count(); ++row)
        height += ui->deviceList->item(row)->sizeHint().height();
    if (height == 0)
        height = emptyListHeight;
    ui->deviceList->setFixedHeight(qMin(height, maxListHeight));
    // The window follows its list now rather than at the next layout pass:
    // the body's layout first, then the window's fixed-size one.
    ui->baseFrame->layout()->activate();
    layout()->activate();
}

void AddDevice::onConnectDevice(const QString &mac) {
    removeDevice(mac);
    emit sigConnectDevice(mac);
}

void AddDevice::setSearching(bool searching) {
    m_searching = searching;
    if (searching && isVisible()) {
        m_loadingTimer.start();
    } else if (!searching) {
        m_loadingTimer.stop();
        m_frame = 0;
        ui->imgRefresh->setPixmap(m_loadingFrames.first());
    }
}

void AddDevice::onLoadingTimeout() {
    m_frame = (m_frame + 1) % loadingFrames;
    ui->imgRefresh->setPixmap(m_loadingFrames.at(m_frame));
}

void AddDevice::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    centreInAvailableArea(this);
    if (m_searching)
        m_loadingTimer.start();
}

void AddDevice::hideEvent(QHideEvent *event) {
    // Nobody sees the animation; the scan state stays for the next show.
    m_loadingTimer.stop();
    QWidget::hideEvent(event);
}

void AddDevice::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
