#include "custom/hintwindow.h"

#include "ui_hintwindow.h"

#include <QEvent>
#include <QLayout>

HintWindow::HintWindow(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::HintWindow>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

HintWindow::~HintWindow() = default;

void HintWindow::showHint(const QString &text, int msec) {
    ui->textLabel->setText(text);
    centreInParent();
    show();
    raise();
    if (msec > 0)
        m_hideTimer.start(msec);
    else
        m_hideTimer.stop();
}

QString HintWindow::text() const {
    return ui->textLabel->text();
}

void HintWindow::centreInParent() {
    QWidget *parent = parentWidget();
    if (!parent || (parent->layout() && parent->layout()->indexOf(this) >= 0))
        return;
    ensurePolished();
    ui->textLabel->ensurePolished();
    // The pill's own hint is fresh after a new text; the frames around it add nothing.
    resize(ui->frame_2->sizeHint().expandedTo(ui->frame_2->minimumSize()));
    move((parent->width() - width()) / 2, y());
}

void HintWindow::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
