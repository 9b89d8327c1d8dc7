#include "login/captchalabel.h"

#include "login/captchamovablelabel.h"

#include <algorithm>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace {
constexpr int noiseLineCount = 6;
constexpr qreal radius = 6;
} // namespace

CaptchaLabel::CaptchaLabel(QWidget *parent, QRandomGenerator *random)
    : QLabel(parent), m_random(random ? random : QRandomGenerator::global()) {
    setCursor(Qt::PointingHandCursor);
    for (auto &letter : m_letters)
        letter = new CaptchaMovableLabel(*m_random, background, this);
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &CaptchaLabel::tick);
}

CaptchaLabel::~CaptchaLabel() = default;

QPointF CaptchaLabel::randomVelocity() {
    return QPointF(m_random->bounded(2.0) - 1.0, m_random->bounded(2.0) - 1.0);
}

void CaptchaLabel::regenerate() {
    const int quarterWidth = width() / letterCount;
    for (int i = 0; i < letterCount; ++i)
        m_letters[i]->regenerate(QRect(i * quarterWidth, 0, quarterWidth, height()));

    m_noise.clear();
    for (int i = 0; i < noiseLineCount; ++i) {
        NoiseLine noise;
        noise.line = QLineF(m_random->bounded(width()), m_random->bounded(height()),
                            m_random->bounded(width()), m_random->bounded(height()));
        noise.velocity1 = randomVelocity();
        noise.velocity2 = randomVelocity();
        noise.colour = QColor(m_random->bounded(200), m_random->bounded(200),
                              m_random->bounded(200), 60 + m_random->bounded(50));
        m_noise.push_back(noise);
    }
    m_timer.start();
    update();
}

void CaptchaLabel::stop() {
    m_timer.stop();
    for (CaptchaMovableLabel *letter : m_letters)
        letter->stop();
}

QString CaptchaLabel::answer() const {
    std::array<CaptchaMovableLabel *, letterCount> ordered = m_letters;
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const CaptchaMovableLabel *a, const CaptchaMovableLabel *b) { return a->x() < b->x(); });
    QString text;
    for (const CaptchaMovableLabel *letter : ordered)
        text += letter->letter();
    return text;
}

void CaptchaLabel::tick() {
    // Each end of a line wanders and bounces off the picture's edges.
    const auto bounce = [this](QPointF point, QPointF &velocity) {
        point += velocity;
        if (point.x() < 0 || point.x() > width())
            velocity.setX(-velocity.x());
        if (point.y() < 0 || point.y() > height())
            velocity.setY(-velocity.y());
        return QPointF(qBound(0.0, point.x(), qreal(width())),
                       qBound(0.0, point.y(), qreal(height())));
    };
    for (NoiseLine &noise : m_noise)
        noise.line = QLineF(bounce(noise.line.p1(), noise.velocity1),
                            bounce(noise.line.p2(), noise.velocity2));
    for (CaptchaMovableLabel *letter : m_letters)
        letter->driftColour();
    update();
}

void CaptchaLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(shape, background);
    painter.setClipPath(shape);
    for (const NoiseLine &noise : m_noise) {
        painter.setPen(QPen(noise.colour, 1.2));
        painter.drawLine(noise.line);
    }
}

void CaptchaLabel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
