#include "menu/traymsgbox.h"

#include "log/logline.h"
#include "ui_traymsgbox.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace {
constexpr int boxWidth = 360;
constexpr int widestBox = 520; // for buttons with long texts

QString withCountdown(const QString &text, quint16 countdown) {
    return countdown > 0 ? QStringLiteral("%1(%2)").arg(text).arg(countdown) : text;
}
} // namespace

trayMsgBox *trayMsgBox::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<trayMsgBox> instance;
    if (!instance)
        instance = new trayMsgBox;
    return instance;
}

trayMsgBox::trayMsgBox()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::trayMsgBox>()), m_timer(new QTimer(this)) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowModality(Qt::ApplicationModal);
    setFixedWidth(boxWidth);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &trayMsgBox::onCountdownTick);
    connect(ui->btnConfirm, &QPushButton::clicked, this, &trayMsgBox::onBtnConfirm);
    connect(ui->btnSingle, &QPushButton::clicked, this, &trayMsgBox::onBtnConfirm);
    connect(ui->btnCancel, &QPushButton::clicked, this, &trayMsgBox::onBtnCancel);
    connect(ui->btnClose, &QPushButton::clicked, this, &trayMsgBox::onBtnCancel);
}

trayMsgBox::~trayMsgBox() = default;

void trayMsgBox::setTitle(const QString &title) {
    m_next.title = title;
}

void trayMsgBox::setText(const QString &text) {
    m_next.text = text;
}

void trayMsgBox::setConfirmText(const QString &text) {
    m_next.confirmText = text;
}

void trayMsgBox::setCancelText(const QString &text) {
    m_next.cancelText = text;
}

void trayMsgBox::setSingleText(const QString &text) {
    m_next.singleText = text;
}

void trayMsgBox::setDoubleButton(quint16 countdown) {
    m_next.singleButton = false;
    m_next.countdown = countdown;
}

void trayMsgBox::setSingleButton(quint16 countdown) {
    m_next.singleButton = true;
    m_next.countdown = countdown;
}

int trayMsgBox::exec() {
    Session session;
    session.request = m_next;
    // Title and text belong to one box only; button texts carry over.
    m_next.title = QStringLiteral("");
    m_next.text = QStringLiteral("");

    if (m_session) {
        LOG_NOTE << "message box busy, waiting:" << session.request.title;
        QEventLoop wait;
        connect(this, &trayMsgBox::sigAnswered, &wait, &QEventLoop::quit);
        // Another waiting call may take the box first: wait again then.
        while (m_session)
            wait.exec();
    }

    QEventLoop loop;
    session.loop = &loop;
    present(session);
    loop.exec();
    return session.result ? 1 : 0;
}

void trayMsgBox::present(Session &session) {
    m_session = &session;
    const Request &request = session.request;
    if (!request.title.isNull())
        ui->label_2->setText(request.title);
    if (!request.text.isNull())
        ui->label_4->setText(request.text);
    ui->stackedWidget->setCurrentWidget(request.singleButton ? ui->pageSingle : ui->pageDouble);
    m_countdown = request.countdown;
    showButtonTexts();
    fitHeight();
    if (m_countdown > 0)
        m_timer->start();
    show();
    activateWindow();
    raise();
}

// Buttons the caller left alone show the form's own (translated) texts.
void trayMsgBox::showButtonTexts() {
    const Request &request = m_session->request;
    const QString confirm = request.confirmText.isNull() ? tr("确定") : request.confirmText;
    const QString single = request.singleText.isNull() ? tr("确定") : request.singleText;
    ui->btnCancel->setText(request.cancelText.isNull() ? tr("取消") : request.cancelText);
    ui->btnConfirm->setText(request.singleButton ? confirm : withCountdown(confirm, m_countdown));
    ui->btnSingle->setText(request.singleButton ? withCountdown(single, m_countdown) : single);
}

void trayMsgBox::finish(bool result) {
    m_timer->stop();
    Session *session = m_session;
    if (!session)
        return;
    m_session = nullptr;
    session->result = result;
    session->loop->quit();
    // Hidden now, not when the loop returns: a waiting call may show its box first.
    hide();
    ui->label_2->clear();
    ui->label_4->clear();
    m_countdown = 0;
    emit sigAnswered();
}

void trayMsgBox::onBtnConfirm() {
    finish(true);
}

void trayMsgBox::onBtnCancel() {
    finish(false);
}

// Escape and the window manager's close answer like the cancel button.
void trayMsgBox::reject() {
    finish(false);
}

void trayMsgBox::onCountdownTick() {
    if (!m_session || m_countdown == 0) {
        m_timer->stop();
        return;
    }
    if (--m_countdown == 0) {
        finish(m_session->request.singleButton);
        return;
    }
    showButtonTexts();
}

// The box widens for long button texts, then the wrapped text decides its height.
void trayMsgBox::fitHeight() {
    ensurePolished();
    QLayout *buttons = ui->stackedWidget->currentWidget()->layout();
    buttons->activate();
    const QMargins inFrame = ui->frameLayout->contentsMargins() + ui->frame->contentsMargins();
    const int width =
        qBound(boxWidth, buttons->sizeHint().width() + inFrame.left() + inFrame.right(), widestBox);
    setFixedWidth(width);
    layout()->activate();
    setFixedHeight(layout()->totalHeightForWidth(width));
}

void trayMsgBox::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        const QString title = ui->label_2->text();
        const QString text = ui->label_4->text();
        ui->retranslateUi(this);
        // Title and text are the caller's; only an untouched box shows the form's own.
        if (m_session || !m_next.title.isNull())
            ui->label_2->setText(title);
        if (m_session || !m_next.text.isNull())
            ui->label_4->setText(text);
        if (m_session)
            showButtonTexts();
    }
    QDialog::changeEvent(event);
}
