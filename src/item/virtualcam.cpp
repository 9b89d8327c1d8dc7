#include "item/virtualcam.h"

#include "ui_virtualcam.h"

#include <QMouseEvent>

namespace {

// The looks of a badge; a state change swaps the whole string.
const char *const pairedLook =
    "#frameFocus{background:rgba(13,13,16,0.06);border:1px solid transparent;border-radius:6px;}"
    "#label{color:rgba(13,13,16,0.85);font-size:12px;font-weight:500;}"
    "#img{background:#1F71FF;border-radius:3px;}";
const char *const inUseLook =
    "#frameFocus{background:rgba(0,199,190,0.1);border:1px solid #00C7BE;border-radius:6px;}"
    "#label{color:#00C7BE;font-size:12px;font-weight:500;}"
    "#img{background:#00C7BE;border-radius:3px;}";
const char *const addLook =
    "#frameFocus{background:#FFFFFF;border:1px dashed rgba(31,113,255,0.6);border-radius:6px;}"
    "#frameFocus:disabled{border-color:rgba(13,13,16,0.12);}"
    "#label{color:#1F71FF;font-size:12px;font-weight:500;}"
    "#label:disabled{color:rgba(13,13,16,0.4);}";

} // namespace

VirtualCam::VirtualCam(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::VirtualCam>()) {
    ui->setupUi(this);
    ui->btn->raise();
    connect(ui->btn, &QPushButton::clicked, this, &VirtualCam::removeClicked);
    showAdd();
}

VirtualCam::~VirtualCam() = default;

void VirtualCam::showCamera(int number, bool inUse, bool removable) {
    m_number = number;
    m_inUse = inUse;
    ui->btn->setVisible(removable);
    applyLook();
}

void VirtualCam::showAdd() {
    m_number = 0;
    m_inUse = false;
    ui->btn->hide();
    applyLook();
}

bool VirtualCam::removable() const {
    return !ui->btn->isHidden();
}

void VirtualCam::applyLook() {
    if (isAddBadge()) {
        ui->frameFocus->setStyleSheet(addLook);
        ui->img->hide();
        ui->label->setText(QStringLiteral("+ ") + tr("添加"));
        setCursor(Qt::PointingHandCursor);
    } else {
        ui->frameFocus->setStyleSheet(m_inUse ? inUseLook : pairedLook);
        ui->img->show();
        ui->label->setText(QStringLiteral("Cam") + QString::number(m_number));
        unsetCursor();
    }
}

void VirtualCam::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void VirtualCam::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        applyLook();
    QWidget::changeEvent(event);
}
