#include "campair/campair.h"

#include "custom/windowplacement.h"
#include "log/logline.h"
#include "menu/trayprompts.h"
#include "ui_campair.h"

#include <QEvent>
#include <QHideEvent>
#include <QShowEvent>
#include <QToolTip>

namespace {

constexpr int checkIntervalMs = 1000;
// Timer ticks an in-use slot survives without a report; the filter reports every 2 s.
constexpr quint8 inUseTicks = 3;

const char *const titlePairing = QT_TRANSLATE_NOOP("CamPair", "添加虚拟摄像头");
const char *const titleSettings = QT_TRANSLATE_NOOP("CamPair", "相机设置");

QString buttonStyle(const char *image, bool pressable) {
    QString style =
        QStringLiteral("QPushButton{border:0;image:url(%1);}").arg(QLatin1String(image));
    if (pressable)
        style += QStringLiteral("QPushButton:pressed{padding-top:2px;}");
    return style;
}

const char *const labelStyle = "color:rgba(13,13,16,0.85);font-size:14px;";
const char *const greyLabelStyle = "color:rgba(13,13,16,0.4);font-size:14px;";
const char *const actionStyle = "color:#1F71FF;font-size:14px;";
const char *const removeStyle = "color:#E62E31;font-size:14px;";
const char *const secondaryStyle = "color:rgba(13,13,16,0.6);font-size:14px;";
const char *const greyActionStyle = "color:rgba(13,13,16,0.4);font-size:14px;";

} // namespace

CamPair::CamPair(TrayPrompts &prompts, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::CamPair>()), m_prompts(prompts),
      m_title(titlePairing) {
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(360, 330);
    new DragByHandle(this, ui->headFrame);

    m_rows = {Row{ui->label1, ui->btn1, ui->text1}, Row{ui->label2, ui->btn2, ui->text2},
              Row{ui->label3, ui->btn3, ui->text3}, Row{ui->label4, ui->btn4, ui->text4}};
    for (int i = 0; i < camIDCount; ++i) {
        m_rows[i].button->installEventFilter(this);
        m_rows[i].text->installEventFilter(this);
        showView(i, View::Free);
    }
    connect(ui->btn1, &QPushButton::clicked, this, &CamPair::onBtn1);
    connect(ui->btn2, &QPushButton::clicked, this, &CamPair::onBtn2);
    connect(ui->btn3, &QPushButton::clicked, this, &CamPair::onBtn3);
    connect(ui->btn4, &QPushButton::clicked, this, &CamPair::onBtn4);
    connect(ui->btnClose, &QPushButton::clicked, this, &CamPair::onHide);
    connect(ui->btnSwitchHDR, &QPushButton::clicked, this, &CamPair::onBtnSwitchHDR);
    connect(ui->btnRemoveDevice, &QPushButton::clicked, this, &CamPair::onBtnRemoveDevice);
    showHDR();

    connect(&m_checkTimer, &QTimer::timeout, this, &CamPair::onCheckTimeout);
    m_checkTimer.start(checkIntervalMs);
}

CamPair::~CamPair() = default;

void CamPair::showPairing(const QString &mac, const QString &name) {
    m_shownMac = mac;
    m_shownName = name;
    refreshPairedViews();
    setTitle(titlePairing);
    ui->stackedWidget->setCurrentWidget(ui->pagePairing);
    present();
    emit sigShow();
}

void CamPair::showSettings(const QString &mac, const QString &name, bool removable) {
    m_shownMac = mac;
    m_shownName = name;
    setTitle(titleSettings);
    ui->stackedWidget->setCurrentWidget(ui->pageSettings);
    ui->btnRemoveDevice->setVisible(removable);
    showHDR();
    present();
}

bool CamPair::setCamStatus(CamID_e id, int status, const QString &mac, const QString &name) {
    if (!isValidCamID(id))
        return false;
    const int index = id - 1;
    Slot &slot = m_slots[index];
    slot.mac = mac;
    slot.name = name;
    if (status == Free) {
        slot.mac.clear();
        slot.name.clear();
        slot.status = Free;
        showView(index, View::Free);
    } else if (status == Paired) {
        slot.status = Paired;
        showView(index, pairedViewByName(index));
    } else {
        slot.status = InUse;
        showView(index, View::InUse);
    }
    return true;
}

bool CamPair::getCamPairStatus(CamID_e id, int &status) const {
    if (!isValidCamID(id)) {
        LOG_ERROR << QStringLiteral("getCamPairStatus:param invalid!  %1").arg(int(id));
        return false;
    }
    status = m_slots[id - 1].status;
    return true;
}

void CamPair::removeDevice(const QString &mac) {
    if (mac.isEmpty()) {
        LOG_ERROR << "getCamPairStatus:param is empty";
        return;
    }
    for (int i = 0; i < camIDCount; ++i)
        if (m_slots[i].mac == mac)
            freeSlot(i);
    if (mac == m_shownMac && isVisible())
        hide();
}

void CamPair::resetAll() {
    for (int i = 0; i < camIDCount; ++i)
        freeSlot(i);
    m_shownMac.clear();
    m_shownName.clear();
}

void CamPair::updateSlotName(const QString &mac, const QString &name) {
    for (Slot &slot : m_slots)
        if (slot.mac == mac)
            slot.name = name;
    // Rows are told apart by name: the shown camera must keep matching its own slots.
    if (!mac.isEmpty() && mac == m_shownMac) {
        m_shownName = name;
        refreshPairedViews();
    }
}

bool CamPair::isAllIdle() const {
    for (const Slot &slot : m_slots)
        if (slot.status == InUse)
            return false;
    return true;
}

bool CamPair::isDeviceIdle(const QString &mac) const {
    for (const Slot &slot : m_slots)
        if (slot.mac == mac && slot.status == InUse)
            return false;
    return true;
}

bool CamPair::takeActivated(quint8 index) {
    if (index >= camIDCount)
        return false;
    const bool activated = m_slots[index].activated;
    m_slots[index].activated = false;
    return activated;
}

void CamPair::setHDRState(bool hdrOn, bool switchable) {
    m_hdrOn = hdrOn;
    m_hdrSwitchable = switchable;
    showHDR();
}

void CamPair::updateHDRStatus(const QString &mac, bool hdrOn) {
    if (mac != m_shownMac)
        return;
    LOG_NOTE << QStringLiteral("updateHDRStatus>> mac:%1 HDR:%2").arg(mac, boolText(hdrOn));
    m_hdrOn = hdrOn;
    showHDR();
}

void CamPair::updateLIVEStatus(const QString &mac, bool switchable) {
    if (mac != m_shownMac)
        return;
    LOG_NOTE
        << QStringLiteral("updateLIVEStatus>> mac:%1 selectable:%2").arg(mac, boolText(switchable));
    m_hdrSwitchable = switchable;
    showHDR();
}

QString CamPair::rePairText(const QString &translated, const QString &deviceName) {
    if (!translated.contains(QLatin1String("xxx")))
        return translated + deviceName;
    QString text = translated;
    text.replace(QLatin1String("xxx"), deviceName);
    text.remove(QLatin1Char(':'));
    return text;
}

void CamPair::onHide() {
    hide();
}

void CamPair::onBtn1() {
    onRowClicked(0);
}

void CamPair::onBtn2() {
    onRowClicked(1);
}

void CamPair::onBtn3() {
    onRowClicked(2);
}

void CamPair::onBtn4() {
    onRowClicked(3);
}

void CamPair::onSyncCamStatus(CamID_e id, bool status) {
    if (!isValidCamID(id))
        return;
    const int index = id - 1;
    Slot &slot = m_slots[index];
    if (status != slot.lastActive) {
        slot.lastActive = status;
        slot.activated = status;
        LOG_NOTE << QStringLiteral("vCamera  id: %1 activateStatus:%2")
                        .arg(int(id))
                        .arg(QLatin1String(boolText(status)));
    }
    if (slot.status == Free)
        return;
    if (!status) {
        const bool wasInUse = slot.status == InUse;
        slot.countdown = 0;
        slot.status = Paired;
        if (wasInUse) {
            showView(index, pairedViewByMac(index));
            emit camUnpaired(slot.mac, id);
        }
        return;
    }
    slot.countdown = inUseTicks;
    if (slot.status == InUse)
        return;
    slot.status = InUse;
    showView(index, View::InUse);
    emit camPaired(slot.mac, id);
}

void CamPair::onCheckTimeout() {
    for (int i = 0; i < camIDCount; ++i) {
        Slot &slot = m_slots[i];
        if (slot.status != InUse)
            continue;
        if (slot.countdown > 0) {
            --slot.countdown;
            continue;
        }
        slot.status = Paired;
        showView(i, pairedViewByMac(i));
        emit camUnpaired(slot.mac, CamID_e(i + 1));
    }
}

void CamPair::onBtnSwitchHDR() {
    if (!m_hdrSwitchable)
        return;
    emit sigSwitchHDR(m_shownMac, !m_hdrOn);
}

void CamPair::onBtnRemoveDevice() {
    LOG_NOTE << "campir: remove device";
    emit sigRemoveDevice(m_shownMac);
}

void CamPair::onRowClicked(int index) {
    Slot &slot = m_slots[index];
    const auto id = CamID_e(index + 1);
    if (slot.status == InUse)
        return; // an application streams from it: it can be neither unbound nor moved
    if (m_shownMac.isEmpty()) {
        LOG_ERROR << "camera pair: no camera shown, slot" << int(id) << "left as it is";
        return;
    }
    if (slot.status == Free) {
        slot.status = Paired;
        slot.mac = m_shownMac;
        slot.name = m_shownName;
        showView(index, View::Remove);
        emit camPair(m_shownMac, id);
        return;
    }
    if (slot.name == m_shownName) {
        slot.status = Free;
        slot.mac.clear();
        slot.name.clear();
        showView(index, View::Free);
        emit camUnPair(m_shownMac, id);
        return;
    }

    const QString srcMac = slot.mac;
    const QString dstMac = m_shownMac;
    const bool confirmed = m_prompts.confirm(
        tr("确认要重新配对?"), rePairText(tr("重新配对到此设备，将取消配对:"), slot.name),
        tr("确认绑定"), tr("取消"));
    if (!confirmed)
        return;
    // The question waits in its own event loop: an activity report or a closed dialog
    // may have changed what the user agreed to.
    if (slot.status != Paired || slot.mac != srcMac || m_shownMac != dstMac) {
        LOG_NOTE << "camera pair: slot" << int(id) << "changed while asking, not moved";
        return;
    }
    showView(index, View::Remove);
    emit camSwitchPair(srcMac, dstMac, id);
    slot.mac = m_shownMac;
    slot.name = m_shownName;
}

void CamPair::freeSlot(int index) {
    Slot &slot = m_slots[index];
    slot.status = Free;
    slot.countdown = 0;
    slot.mac.clear();
    slot.name.clear();
    slot.lastActive = false;
    showView(index, View::Free);
}

CamPair::View CamPair::pairedViewByName(int index) const {
    return m_slots[index].name == m_shownName ? View::Remove : View::Switch;
}

CamPair::View CamPair::pairedViewByMac(int index) const {
    return m_slots[index].mac == m_shownMac ? View::Remove : View::Switch;
}

void CamPair::refreshPairedViews() {
    for (int i = 0; i < camIDCount; ++i)
        if (m_slots[i].status == Paired)
            showView(i, pairedViewByName(i));
}

void CamPair::showView(int index, View view) {
    m_slots[index].view = view;
    const Row &row = m_rows[index];
    const bool inUse = view == View::InUse;
    const char *image = ":/img/unPair.png";
    QString text = tr("添加");
    QString tip;
    const char *textStyle = actionStyle;
    switch (view) {
    case View::Free:
        break;
    case View::Remove:
        image = ":/img/pair2.png";
        text = tr("移除");
        tip = tr("已配对");
        textStyle = removeStyle;
        break;
    case View::Switch:
        image = ":/img/pairSwitch.png";
        text = tr("切换");
        tip = tr("已配对");
        break;
    case View::InUse:
        image = ":/img/paired.png";
        text = tr("在用");
        tip = tr("使用中");
        textStyle = greyActionStyle;
        break;
    }
    row.button->setStyleSheet(buttonStyle(image, !inUse));
    row.button->setToolTip(tip);
    row.button->setCursor(inUse ? Qt::ArrowCursor : Qt::PointingHandCursor);
    row.text->setText(text);
    row.text->setStyleSheet(QLatin1String(textStyle));
    row.text->setCursor(inUse ? Qt::ArrowCursor : Qt::PointingHandCursor);
    row.label->setStyleSheet(QLatin1String(inUse ? greyLabelStyle : labelStyle));
}

void CamPair::showHDR() {
    ui->labelHDR->setText(m_hdrSwitchable ? QStringLiteral("HDR") : tr("HDR(工作中，无法切换)"));
    ui->textHDR->setText(m_hdrOn ? tr("开") : tr("关"));
    ui->textHDR->setStyleSheet(QLatin1String(m_hdrSwitchable ? secondaryStyle : greyActionStyle));
    const char *image = m_hdrSwitchable ? (m_hdrOn ? ":/img/HDR_ON.png" : ":/img/HDR_OFF.png")
                                        : (m_hdrOn ? ":/img/HDR_ON_2.png" : ":/img/HDR_OFF_2.png");
    ui->btnSwitchHDR->setStyleSheet(buttonStyle(image, m_hdrSwitchable));
    ui->btnSwitchHDR->setCursor(m_hdrSwitchable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// A window being shown comes up on top by itself; only one already open may sit
// behind others (and platforms without stacking warn about raise()).
void CamPair::present() {
    const bool wasVisible = isVisible();
    show();
    activateWindow();
    if (wasVisible)
        raise();
}

void CamPair::setTitle(const char *source) {
    m_title = source;
    ui->title->setText(tr(source));
}

bool CamPair::eventFilter(QObject *watched, QEvent *event) {
    for (int i = 0; i < camIDCount; ++i) {
        const Row &row = m_rows[i];
        if (watched == row.button && event->type() == QEvent::Enter) {
            // At once rather than after the usual delay.
            if (row.button->toolTip().isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(row.button->mapToGlobal(QPoint(0, row.button->height())),
                                   row.button->toolTip(), row.button);
        } else if (watched == row.text && event->type() == QEvent::MouseButtonPress) {
            onRowClicked(i);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CamPair::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        centreInAvailableArea(this);
}

// Only a hide by the program forgets the camera; the window system hides it too
// (minimised desktops, switched workspaces) and shows it again.
void CamPair::hideEvent(QHideEvent *event) {
    if (!event->spontaneous()) {
        m_shownMac.clear();
        m_shownName.clear();
    }
    QWidget::hideEvent(event);
}

void CamPair::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setTitle(m_title);
        for (int i = 0; i < camIDCount; ++i)
            showView(i, m_slots[i].status == Paired ? pairedViewByName(i) : m_slots[i].view);
        showHDR();
    }
    QWidget::changeEvent(event);
}
