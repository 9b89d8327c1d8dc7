#include "support/virtualdisplay.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

bool VirtualDisplay::start(const QString &size) {
    m_name = QStringLiteral(":%1").arg(100 + ::getpid() % 400);
    if (!m_server.start(QStringLiteral("Xvfb"),
                        {m_name, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                         QStringLiteral("-screen"), QStringLiteral("0"),
                         size + QStringLiteral("x24")}))
        return false;
    const QString socket = QStringLiteral("/tmp/.X11-unix/X") + m_name.mid(1);
    return QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000);
}
