// HintWindow: a short notice with an icon and one line of text on a light
// rounded pill, such as the main window's "signed in" greeting. A child widget
// near the top of a window: in its parent's layout it keeps its place,
// otherwise it centres itself across the parent at its own height. It hides
// itself after the time given; a new hint restarts that time.
// Owned by its parent; GUI thread only.
#pragma once

#include <memory>
#include <QTimer>
#include <QWidget>

namespace Ui {
class HintWindow;
}

class HintWindow : public QWidget {
    Q_OBJECT
public:
    explicit HintWindow(QWidget *parent = nullptr);
    ~HintWindow() override;

    // msec <= 0 keeps the hint until it is hidden.
    void showHint(const QString &text, int msec = 2000);
    QString text() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void centreInParent();

    std::unique_ptr<Ui::HintWindow> ui;
    QTimer m_hideTimer;
};
