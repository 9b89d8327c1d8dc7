// Placement helpers shared by the frameless windows: centring on the screen's
// available area (the area without the task bar or panels) and dragging a
// window by one of its child frames (its header or footer). GUI thread only.
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Moves the window so that it sits in the middle of its screen's available area.
void centreInAvailableArea(QWidget *window);

// Lets the user drag `window` by pressing and moving the mouse on `handle`.
// Owned by the handle; install one per handle.
class DragByHandle : public QObject {
    Q_OBJECT
public:
    DragByHandle(QWidget *window, QWidget *handle);

signals:
    // The window moved by a drag (the main window hides its menu on it).
    void dragged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QPoint m_pressOffset;
    bool m_pressed = false;
};
