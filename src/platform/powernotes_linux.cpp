#include "platform/powernotes.h"

#include "log/logline.h"

#include <QDBusConnection>

namespace {
// Receives logind's signal; a named slot because QtDBus connects by signature.
class PrepareForSleepReceiver : public QObject {
    Q_OBJECT
public:
    explicit PrepareForSleepReceiver(PowerNotes *notes) : QObject(notes), m_notes(notes) {}

public slots:
    void onPrepareForSleep(bool start) {
        if (start)
            emit m_notes->sleeping();
        else
            emit m_notes->wokeUp();
    }

private:
    PowerNotes *m_notes;
};
} // namespace

struct PowerNotes::Impl {};

PowerNotes::PowerNotes(QObject *parent) : QObject(parent), m_impl(std::make_unique<Impl>()) {
    QDBusConnection bus = QDBusConnection::systemBus();
    auto *receiver = new PrepareForSleepReceiver(this);
    if (!bus.isConnected() ||
        !bus.connect(QStringLiteral("org.freedesktop.login1"),
                     QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager"),
                     QStringLiteral("PrepareForSleep"), receiver, SLOT(onPrepareForSleep(bool))))
        LOG_NOTE << "power notes: no logind on the system bus, sleep and wake-up are not logged";
}

PowerNotes::~PowerNotes() = default;

#include "powernotes_linux.moc"
