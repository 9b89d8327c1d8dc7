#include "item/itemolddev.h"

#include "custom/lineedit.h"
#include "item/battery.h"
#include "item/virtualcam.h"
#include "log/logline.h"
#include "ui_itemolddev.h"

#include <algorithm>

// Outside edit mode the badge list holds exactly the numbers whose entry is
// not free. Edit mode takes badges off the list without freeing their entries,
// so cancelling rebuilds the list from the entries and confirming frees the
// entries whose badge is gone; slots bound or unbound meanwhile by the pairing
// dialog come out right either way.

itemOldDev::itemOldDev(const DeviceBaseInfo_t &dev, PairingSlots &pairing, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::itemOldDev>()), m_info(dev), m_pairing(pairing) {
    ui->setupUi(this);
    ui->btnCamSetting->setIcon(QIcon(QStringLiteral(":/img/camSetting.png")));
    ui->deviceName->setName(m_info.name);
    ui->battery->setLevel(m_info.battery);
    ui->battery->setCharging(m_info.isCharge);

    m_badgeViews = {ui->cam1, ui->cam2, ui->cam3, ui->cam4};
    for (VirtualCam *badge : m_badgeViews) {
        connect(badge, &VirtualCam::clicked, this, [this, badge] {
            if (badge->isAddBadge())
                onAddVirtualCam();
        });
    }
    connect(ui->cam1, &VirtualCam::removeClicked, this, &itemOldDev::onPosRemove1);
    connect(ui->cam2, &VirtualCam::removeClicked, this, &itemOldDev::onPosRemove2);
    connect(ui->cam3, &VirtualCam::removeClicked, this, &itemOldDev::onPosRemove3);
    connect(ui->cam4, &VirtualCam::removeClicked, this, &itemOldDev::onPosRemove4);
    connect(ui->btnCamSetting, &QPushButton::clicked, this, &itemOldDev::onCamSetting);
    connect(ui->btnConfirm, &QPushButton::clicked, this, &itemOldDev::onCamRemoveConfirm);
    connect(ui->btnCancel, &QPushButton::clicked, this, &itemOldDev::onCamRemoveCancel);
    connect(ui->btnOptions, &QPushButton::clicked, this,
            [this] { emit sigClickOption(m_info.mac); });
    connect(ui->deviceName, &LineEdit::sigTextChange, this, [this](const QString &name) {
        m_info.name = name;
        emit modifyName(m_info.mac, name);
    });
    ui->stackedSetting->setCurrentWidget(ui->pageNormal);
    redraw();
}

itemOldDev::~itemOldDev() = default;

void itemOldDev::setNumber(int number) {
    ui->numLabel->setText(QString::number(number));
}

void itemOldDev::setBattery(short level, bool charging) {
    m_info.battery = level;
    m_info.isCharge = charging;
    ui->battery->setLevel(level);
    ui->battery->setCharging(charging);
}

int itemOldDev::slotStatus(CamID_e id) const {
    return isValidCamID(id) ? m_slots[static_cast<size_t>(id - firstCamID)].status : Free;
}

bool itemOldDev::setVirtualCamStatus(CamID_e id, int status) {
    if (!isValidCamID(id)) {
        LOG_ERROR << "setVirtualCamStatus: camera id invalid! " << static_cast<int>(id);
        return false;
    }
    m_pairing.setCamStatus(id, status, m_info.mac, m_info.name);
    slotOf(id) = {status, false};
    if (status != Free)
        insertBadge(id);
    else
        removeBadge(id);
    redraw();
    return true;
}

bool itemOldDev::bindVirtualCam(CamID_e id) {
    if (!isValidCamID(id)) {
        LOG_ERROR << "bindVirtualCam: camera id invalid! " << static_cast<int>(id);
        return false;
    }
    insertBadge(id);
    slotOf(id) = {Paired, m_editing};
    emit bindCam(m_info.mac, id);
    redraw();
    return true;
}

void itemOldDev::onPairVirtualCam(const QString &mac, CamID_e id) {
    if (!isValidCamID(id)) {
        LOG_ERROR << "onPairVirtualCam: camera id invalid! " << static_cast<int>(id);
        return;
    }
    if (mac == m_info.mac)
        bindVirtualCam(id);
}

void itemOldDev::onUnPairVirtualCam(const QString &mac, CamID_e id) {
    if (!isValidCamID(id)) {
        LOG_ERROR << "onUnPairVirtualCam: camera id invalid! " << static_cast<int>(id);
        return;
    }
    if (mac != m_info.mac)
        return;
    removeBadge(id);
    slotOf(id) = {Free, false};
    emit removeCam(mac, id);
    redraw();
}

// The unbind half runs first so that a move within one card ends bound.
void itemOldDev::onSwitchPairVirtualCam(const QString &macSrc, const QString &macDst, CamID_e id) {
    if (!isValidCamID(id)) {
        LOG_ERROR << "onSwitchPairVirtualCam: camera id invalid! " << static_cast<int>(id);
        return;
    }
    if (macSrc == m_info.mac)
        onUnPairVirtualCam(macSrc, id);
    if (macDst == m_info.mac)
        bindVirtualCam(id);
}

void itemOldDev::onPairedVirtualCam(const QString &mac, CamID_e id) {
    if (mac != m_info.mac)
        return;
    if (!isValidCamID(id)) {
        LOG_ERROR << "onPairedVirtualCam: camera id invalid! " << static_cast<int>(id);
        return;
    }
    // A report for a slot this card does not hold changes nothing.
    if (slotOf(id).status == Free)
        return;
    slotOf(id) = {InUse, false};
    redraw();
}

void itemOldDev::onUnpairedVirtualCam(const QString &mac, CamID_e id) {
    if (mac != m_info.mac)
        return;
    if (!isValidCamID(id)) {
        LOG_ERROR << "onUnpairedVirtualCam: camera id invalid! " << static_cast<int>(id);
        return;
    }
    if (slotOf(id).status == Free)
        return;
    slotOf(id) = {Paired, m_editing};
    redraw();
}

void itemOldDev::onCamSetting() {
    if (m_editing || m_pairing.isPairingOpen())
        return;
    m_editing = true;
    for (Slot &slot : m_slots)
        slot.removeMark = slot.status != Free;
    ui->stackedSetting->setCurrentWidget(ui->pageEdit);
    redraw();
}

void itemOldDev::onPosRemove1() {
    removeAt(1);
}

void itemOldDev::onPosRemove2() {
    removeAt(2);
}

void itemOldDev::onPosRemove3() {
    removeAt(3);
}

void itemOldDev::onPosRemove4() {
    removeAt(4);
}

void itemOldDev::removeAt(int position) {
    const quint16 id = m_badges[static_cast<size_t>(position - 1)];
    if (!m_editing || id == 0)
        return;
    removeBadge(id);
    redraw();
}

void itemOldDev::onCamRemoveConfirm() {
    if (!m_editing)
        return;
    leaveEditMode();
    for (int id = firstCamID; id <= lastCamID; ++id) {
        if (slotOf(id).status == Free || hasBadge(id))
            continue;
        const auto camId = static_cast<CamID_e>(id);
        m_pairing.setCamStatus(camId, Free, m_info.mac, m_info.name);
        slotOf(id).status = Free;
        emit removeCam(m_info.mac, camId);
    }
    redraw();
    emit settingConfirm();
}

void itemOldDev::onCamRemoveCancel() {
    if (!m_editing)
        return;
    leaveEditMode();
    for (int id = firstCamID; id <= lastCamID; ++id)
        if (slotOf(id).status != Free)
            insertBadge(id);
    redraw();
    emit settingCancel();
}

void itemOldDev::onAddVirtualCam() {
    if (!m_editing)
        m_pairing.showPairing(m_info.mac, m_info.name);
}

void itemOldDev::leaveEditMode() {
    m_editing = false;
    for (Slot &slot : m_slots)
        slot.removeMark = false;
    ui->stackedSetting->setCurrentWidget(ui->pageNormal);
}

bool itemOldDev::hasBadge(int id) const {
    return std::find(m_badges.begin(), m_badges.end(), id) != m_badges.end();
}

// Walks the list carrying the number, swapping it with any larger entry, and
// puts what it carries into the first empty place: the list stays ascending.
void itemOldDev::insertBadge(int id) {
    if (hasBadge(id))
        return;
    auto carried = static_cast<quint16>(id);
    for (quint16 &entry : m_badges) {
        if (entry == 0) {
            entry = carried;
            return;
        }
        if (entry > carried)
            std::swap(entry, carried);
    }
}

void itemOldDev::removeBadge(int id) {
    auto found = std::find(m_badges.begin(), m_badges.end(), id);
    if (found == m_badges.end())
        return;
    std::move(found + 1, m_badges.end(), found);
    m_badges.back() = 0;
}

// One badge per listed number in list order, then the add badge while a place is left.
void itemOldDev::redraw() {
    bool addShown = false;
    for (size_t position = 0; position < m_badges.size(); ++position) {
        VirtualCam *badge = m_badgeViews[position];
        const int id = m_badges[position];
        if (id != 0) {
            const Slot &slot = slotOf(id);
            badge->showCamera(id, slot.status != Free && slot.status != Paired, slot.removeMark);
            badge->setEnabled(true);
            badge->show();
        } else if (!addShown) {
            addShown = true;
            badge->showAdd();
            badge->setEnabled(!m_editing);
            badge->show();
        } else {
            badge->hide();
        }
    }
}

void itemOldDev::changeEvent(QEvent *event) {
    // The name and the number are not translated: retranslating leaves them as they are.
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
