#include "campair/loginmode.h"

#include "ui_loginmode.h"

#include <climits>
#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

constexpr qreal hoverBlur = 8;

QGraphicsDropShadowEffect *shadowFor(QWidget *panel) {
    auto *shadow = new QGraphicsDropShadowEffect(panel);
    shadow->setOffset(0, 2);
    shadow->setColor(QColor(13, 13, 16, 40));
    shadow->setBlurRadius(0);
    panel->setGraphicsEffect(shadow);
    return shadow;
}

} // namespace

LoginMode::LoginMode(Registration registration, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::LoginMode>()),
      m_registration(std::move(registration)) {
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    setAttribute(Qt::WA_TranslucentBackground);
    m_singleShadow = shadowFor(ui->frameSingle);
    m_multiShadow = shadowFor(ui->frameMulti);
    ui->frameSingle->installEventFilter(this);
    ui->frameMulti->installEventFilter(this);
    connect(ui->btnClose, &QPushButton::clicked, this, &LoginMode::onBtnClose);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::availableGeometryChanged, this, &LoginMode::onScreenUpdate);
}

LoginMode::~LoginMode() = default;

quint8 LoginMode::exec() {
    m_result = 0;
    fitTexts();
    show();
    activateWindow();
    raise();
    // The choice waits as long as the user needs; the timer only bounds the loop.
    QTimer::singleShot(INT_MAX, &m_loop, &QEventLoop::quit);
    m_loop.exec();
    hide();
    return m_result;
}

qreal LoginMode::shadowOf(const QWidget *panel) const {
    return panel == ui->frameSingle ? m_singleShadow->blurRadius() : m_multiShadow->blurRadius();
}

void LoginMode::fitTexts() {
    ui->labelTitle->adjustSize();
    ui->frameSingleText->adjustSize();
    ui->frameMultiText->adjustSize();
}

void LoginMode::choose(int workMode) {
    m_result = m_registration(workMode) ? 1 : 0;
    m_loop.quit();
}

bool LoginMode::eventFilter(QObject *watched, QEvent *event) {
    QGraphicsDropShadowEffect *shadow = watched == ui->frameSingle  ? m_singleShadow
                                        : watched == ui->frameMulti ? m_multiShadow
                                                                    : nullptr;
    if (!shadow)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        shadow->setBlurRadius(hoverBlur);
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
        shadow->setBlurRadius(0);
        break;
    case QEvent::MouseButtonRelease:
        shadow->setBlurRadius(hoverBlur);
        choose(watched == ui->frameSingle ? 0 : 1);
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// Closing is no choice: the loop ends with failure, the window stays for the next run.
void LoginMode::closeEvent(QCloseEvent *event) {
    event->ignore();
    m_result = 0;
    m_loop.quit();
}

void LoginMode::onBtnClose() {
    m_result = 0;
    m_loop.quit();
}

void LoginMode::onScreenUpdate(QRect geometry) {
    if (!geometry.contains(frameGeometry()))
        move(geometry.center() - rect().center());
}

void LoginMode::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        fitTexts();
    }
    QWidget::changeEvent(event);
}
