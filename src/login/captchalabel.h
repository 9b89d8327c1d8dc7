// CaptchaLabel: the picture of the picture check: four letters on a light
// ground, crossed by thin translucent noise lines. While running, a 30 ms
// timer moves the lines and lets the letters' colours drift; a click asks for
// a new picture. GUI thread only.
#pragma once

#include <array>
#include <QLabel>
#include <QLineF>
#include <QTimer>
#include <vector>

class CaptchaMovableLabel;
class QRandomGenerator;

class CaptchaLabel : public QLabel {
    Q_OBJECT
public:
    static inline const QColor background = QColor(0xF4, 0xF4, 0xF6);
    static constexpr int letterCount = 4;
    static constexpr int tickMs = 30;

    // random: the source of every random choice (a seeded one in tests);
    // null uses the global generator. Borrowed; must outlive the label.
    explicit CaptchaLabel(QWidget *parent = nullptr, QRandomGenerator *random = nullptr);
    ~CaptchaLabel() override;

    // New letters in new places and new noise lines; starts the animation.
    void regenerate();
    // Stops the timer and the glides.
    void stop();
    // The letters read left to right by where they are now. Also a test hook.
    QString answer() const;
    const std::array<CaptchaMovableLabel *, letterCount> &letters() const { return m_letters; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct NoiseLine {
        QLineF line;
        QPointF velocity1;
        QPointF velocity2;
        QColor colour;
    };
    void tick();
    QPointF randomVelocity();

    QRandomGenerator *m_random;
    std::array<CaptchaMovableLabel *, letterCount> m_letters{};
    std::vector<NoiseLine> m_noise;
    QTimer m_timer;
};
