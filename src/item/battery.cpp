#include "item/battery.h"

#include "ui_battery.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor outlineColour(13, 13, 16, 217); // rgba(13,13,16,0.85)
const QColor fillColour(13, 13, 16, 153);    // rgba(13,13,16,0.6)
const QColor lowColour(230, 46, 49);
const QColor chargingColour(100, 187, 92);

// The body's outline is stroked 2 px wide on this rectangle (19 x 12 overall with the terminal).
const QRectF bodyRect(1, 1, 15, 10);
const QRectF fillArea(3, 3, 11, 6);

} // namespace

Battery::Battery(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Battery>()) {
    ui->setupUi(this);
    ui->frame->installEventFilter(this);
    refresh();
}

Battery::~Battery() = default;

void Battery::setLevel(int level) {
    if (level > 100)
        return;
    m_level = qMax(level, 0);
    refresh();
}

void Battery::setCharging(bool charging) {
    m_charging = charging;
    refresh();
}

void Battery::refresh() {
    ui->percent->setText(QString::number(m_level) + QLatin1Char('%'));
    ui->frame->update();
}

bool Battery::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->frame && event->type() == QEvent::Paint) {
        paintOutline(ui->frame);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Battery::paintOutline(QWidget *surface) const {
    const bool low = !m_charging && m_level <= lowLevel;
    const QColor outline = low ? lowColour : outlineColour;
    const QColor fill = m_charging ? chargingColour : low ? lowColour : fillColour;

    QPainter painter(surface);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outline, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bodyRect, 2, 2);
    painter.setPen(QPen(outline, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(18, 4.5), QPointF(18, 7.5));

    const qreal width = fillArea.width() * m_level / 100.0;
    if (width <= 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(fillArea.topLeft(), QSizeF(width, fillArea.height())), 1, 1);
}
