#include "login/progressdialog.h"

#include "ui_progressdialog.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {
constexpr int busyStep = 4;
constexpr int busyIntervalMs = 30;
const QColor trackColour(13, 13, 16, 15);
const QColor barColour(0xF8, 0xDE, 0x00);
} // namespace

ProgressDialog *ProgressDialog::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<ProgressDialog> instance;
    if (!instance)
        instance = new ProgressDialog;
    return instance;
}

ProgressDialog::ProgressDialog(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ProgressDialog>()),
      m_background(QStringLiteral(":img/progressDialog.png")) {
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    m_busyTimer.setInterval(busyIntervalMs);
    connect(&m_busyTimer, &QTimer::timeout, this, [this] {
        m_busyOffset += busyStep;
        if (m_busyOffset > trackWidth)
            m_busyOffset = -busyWidth;
        update();
    });
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::setValue(int percent) {
    if (percent > 100)
        return;
    m_value = qMax(0, percent);
    setBusy(false);
    update();
}

void ProgressDialog::setBusy(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_busyOffset = -busyWidth;
    if (busy)
        m_busyTimer.start();
    else
        m_busyTimer.stop();
    update();
}

void ProgressDialog::showFor(bool signedIn) {
    const Qt::WindowFlags flags =
        signedIn ? Qt::Window | Qt::FramelessWindowHint : Qt::Tool | Qt::FramelessWindowHint;
    const Qt::WindowModality modality = signedIn ? Qt::NonModal : Qt::ApplicationModal;
    if (windowFlags() != flags || windowModality() != modality) {
        // Modality takes effect only when the window is shown again.
        hide();
        setWindowFlags(flags);
        setWindowModality(modality);
    }
    setWindowTitle(QStringLiteral("KestraLive"));
    show();
    activateWindow();
    raise();
}

void ProgressDialog::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(0, 0, m_background);

    const QRectF track(trackX, trackY, trackWidth, trackHeight);
    const qreal radius = trackHeight / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, radius, radius);

    painter.setBrush(barColour);
    if (m_busy) {
        QPainterPath trackShape;
        trackShape.addRoundedRect(track, radius, radius);
        painter.setClipPath(trackShape);
        painter.drawRoundedRect(QRectF(trackX + m_busyOffset, trackY, busyWidth, trackHeight),
                                radius, radius);
    } else {
        const int width = m_value * trackWidth / 100;
        if (width > 0)
            painter.drawRoundedRect(QRectF(trackX, trackY, width, trackHeight), radius, radius);
    }
}

void ProgressDialog::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
