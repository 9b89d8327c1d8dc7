// CaptchaMovableLabel: one letter of the picture check: a random capital in a
// random size, slant and colour, which glides to a random place inside its own
// quarter of the picture and whose colour drifts while shown. Every colour,
// drawn or drifted, stays at least minDistance (the sum of the three component
// differences) away from the picture's background, so the letter stays legible.
// A child of CaptchaLabel; GUI thread only.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPropertyAnimation>

class QRandomGenerator;

class CaptchaMovableLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int minDistance = 384;
    static constexpr int minFontPixels = 25;
    static constexpr int minRotation = -20;
    static inline const QString letters = QStringLiteral("QWERTYUIOPASDFGHJKLZXCVBNM");

    // random is borrowed and must outlive the label.
    CaptchaMovableLabel(QRandomGenerator &random, const QColor &background, QWidget *parent);

    // Draws a new letter, size, slant and colour, and glides into a random
    // place inside quarter (a rectangle of the parent).
    void regenerate(const QRect &quarter);
    // One small random step of each colour component (30 ms pace).
    void driftColour();
    void stop();

    QChar letter() const { return m_letter; }
    QColor colour() const { return m_colour; }
    int fontPixels() const { return m_fontPixels; }
    int rotation() const { return m_rotation; }
    // The place the current glide ends at.
    QPoint target() const { return m_target; }

    // The sum of the absolute component differences.
    static int distance(const QColor &a, const QColor &b);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRandomGenerator &m_random;
    const QColor m_background;
    QPropertyAnimation m_glide;
    QChar m_letter;
    QColor m_colour;
    int m_fontPixels = minFontPixels;
    int m_rotation = 0;
    int m_direction[3] = {1, 1, 1}; // of red, green and blue while drifting
    QPoint m_target;
};
