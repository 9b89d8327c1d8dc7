// HintBubble: a short notice inside a window: the error icon and a white text
// on a dark translucent rounded bubble, centred across the parent at a chosen
// height, wrapped when wider than the parent less 24 px each side. It hides
// itself a second after it shows; a new hint restarts the second.
// A child widget; GUI thread only.
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

class HintBubble : public QWidget {
    Q_OBJECT
public:
    explicit HintBubble(QWidget *parent);

    void showHint(const QString &text);
    QString text() const;
    // The bubble's top edge in the parent.
    void setTop(int y);

    static constexpr int showMs = 1000;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    QLabel *m_icon;
    QLabel *m_text;
    QTimer m_hideTimer;
    int m_top = 0;
};
