#include "platform/powernotes.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

struct PowerNotes::Impl : QAbstractNativeEventFilter {
    explicit Impl(PowerNotes *notes) : owner(notes) {}
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_POWERBROADCAST) {
            if (msg->wParam == PBT_APMSUSPEND)
                emit owner->sleeping();
            else if (msg->wParam == PBT_APMRESUMEAUTOMATIC)
                emit owner->wokeUp();
        }
        return false; // passed on
    }
    PowerNotes *owner;
};

PowerNotes::PowerNotes(QObject *parent) : QObject(parent), m_impl(std::make_unique<Impl>(this)) {
    QCoreApplication::instance()->installNativeEventFilter(m_impl.get());
}

PowerNotes::~PowerNotes() {
    QCoreApplication::instance()->removeNativeEventFilter(m_impl.get());
}
