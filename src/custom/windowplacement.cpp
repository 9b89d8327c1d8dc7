#include "custom/windowplacement.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

void centreInAvailableArea(QWidget *window) {
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

DragByHandle::DragByHandle(QWidget *window, QWidget *handle) : QObject(handle), m_window(window) {
    handle->installEventFilter(this);
}

bool DragByHandle::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_pressed = true;
            m_pressOffset = mouse->globalPosition().toPoint() - m_window->pos();
        }
        break;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_pressed && (mouse->buttons() & Qt::LeftButton)) {
            m_window->move(mouse->globalPosition().toPoint() - m_pressOffset);
            emit dragged();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
