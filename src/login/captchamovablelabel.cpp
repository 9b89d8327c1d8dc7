#include "login/captchamovablelabel.h"

#include <cmath>
#include <QPainter>
#include <QRandomGenerator>

namespace {
constexpr int maxDriftStep = 3;

int component(const QColor &colour, int index) {
    return index == 0 ? colour.red() : index == 1 ? colour.green() : colour.blue();
}

void setComponent(QColor &colour, int index, int value) {
    if (index == 0)
        colour.setRed(value);
    else if (index == 1)
        colour.setGreen(value);
    else
        colour.setBlue(value);
}
} // namespace

CaptchaMovableLabel::CaptchaMovableLabel(QRandomGenerator &random, const QColor &background,
                                         QWidget *parent)
    : QLabel(parent), m_random(random), m_background(background), m_glide(this, "pos") {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_glide.setEasingCurve(QEasingCurve::OutQuart);
}

int CaptchaMovableLabel::distance(const QColor &a, const QColor &b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

void CaptchaMovableLabel::regenerate(const QRect &quarter) {
    m_letter = letters.at(m_random.bounded(int(letters.size())));
    m_fontPixels = minFontPixels + m_random.bounded(5);
    m_rotation = minRotation + m_random.bounded(40);
    do {
        m_colour = QColor(m_random.bounded(254), m_random.bounded(254), m_random.bounded(254));
    } while (distance(m_colour, m_background) < minDistance);

    // A square the slanted letter fits in whatever its angle.
    QFont letterFont = font();
    letterFont.setPixelSize(m_fontPixels);
    letterFont.setBold(true);
    setFont(letterFont);
    const QFontMetrics metrics(letterFont);
    const QRect box = metrics.tightBoundingRect(QString(m_letter));
    const int side = int(std::ceil(std::hypot(box.width(), box.height()))) + 2;
    resize(side, side);

    const int freeX = qMax(1, quarter.width() - side + 1);
    const int freeY = qMax(1, quarter.height() - side + 1);
    m_target = QPoint(quarter.x() + m_random.bounded(freeX), quarter.y() + m_random.bounded(freeY));
    m_glide.stop();
    m_glide.setDuration(150 + m_random.bounded(150));
    m_glide.setStartValue(pos());
    m_glide.setEndValue(m_target);
    m_glide.start();
    update();
}

void CaptchaMovableLabel::driftColour() {
    for (int i = 0; i < 3; ++i) {
        const int step = 1 + m_random.bounded(maxDriftStep);
        int next = component(m_colour, i) + m_direction[i] * step;
        if (next < 0 || next > 255) {
            m_direction[i] = -m_direction[i];
            next = qBound(0, next, 255);
        }
        QColor moved = m_colour;
        setComponent(moved, i, next);
        if (distance(moved, m_background) < minDistance) {
            // Turning back keeps the letter legible.
            m_direction[i] = -m_direction[i];
            continue;
        }
        m_colour = moved;
    }
    update();
}

void CaptchaMovableLabel::stop() {
    m_glide.stop();
    if (!m_target.isNull())
        move(m_target);
}

void CaptchaMovableLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(m_colour);
    painter.setFont(font());
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(m_rotation);
    const QRect area(-width() / 2, -height() / 2, width(), height());
    painter.drawText(area, Qt::AlignCenter, QString(m_letter));
}
