// The filter posts to the window's queue; Qt's event dispatcher shows every message it takes
// from the GUI thread's queue to the application's native event filters first.
#include "platform/mainwindowendpoint.h"

#include "vcam/messages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

struct MainWindowEndpoint::Impl : QAbstractNativeEventFilter {
    explicit Impl(MainWindowEndpoint *endpointOwner) : owner(endpointOwner) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~Impl() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (!isVCamMessage(msg->message))
            return false;
        emit owner->vcamMessage(msg->message, static_cast<quint64>(msg->wParam),
                                static_cast<qint64>(msg->lParam));
        return true;
    }

    MainWindowEndpoint *owner;
};

MainWindowEndpoint::MainWindowEndpoint(QObject *parent)
    : QObject(parent), m_impl(std::make_unique<Impl>(this)) {}

MainWindowEndpoint::~MainWindowEndpoint() = default;

bool MainWindowEndpoint::isOpen() const {
    return true;
}
