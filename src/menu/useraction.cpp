#include "menu/useraction.h"

#include "ui_useraction.h"

#include <QMouseEvent>

namespace {
const char *const frameIdle = "#frame{background:transparent;border:0;border-radius:6px;}";
const char *const frameHover = "#frame{background:rgba(13,13,16,0.06);border:0;border-radius:6px;}";
} // namespace

userAction::userAction(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::userAction>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    setHovered(false);
}

userAction::~userAction() = default;

QString userAction::text() const {
    return ui->label->text();
}

void userAction::setText(const QString &text) {
    ui->label->setText(text);
}

void userAction::setHovered(bool hovered) {
    m_hovered = hovered;
    ui->frame->setStyleSheet(QLatin1String(hovered ? frameHover : frameIdle));
    // The mark keeps its room, so the text does not move.
    QSizePolicy keep = ui->cursor->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ui->cursor->setSizePolicy(keep);
    ui->cursor->setVisible(hovered);
}

void userAction::enterEvent(QEnterEvent *event) {
    setHovered(true);
    QWidget::enterEvent(event);
}

void userAction::leaveEvent(QEvent *event) {
    setHovered(false);
    QWidget::leaveEvent(event);
}

void userAction::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        // The menu hides on the press: the entry would keep its light for the next opening.
        setHovered(false);
        event->accept();
        emit clicked();
        return;
    }
    QWidget::mousePressEvent(event);
}
