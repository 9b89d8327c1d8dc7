#include "login/verifywidget.h"

#include "log/logline.h"
#include "login/captchalabel.h"
#include "ui_verifywidget.h"

#include <QEvent>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QScreen>

VerifyWidget *VerifyWidget::getInstance() {
    // QApplication deletes remaining top-level widgets when it goes.
    static QPointer<VerifyWidget> instance;
    if (!instance)
        instance = new VerifyWidget;
    return instance;
}

VerifyWidget::VerifyWidget(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::VerifyWidget>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(360, sizeHint().height());

    ui->editCode->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[a-zA-Z]{4}")), ui->editCode));
    // The error line keeps its room when hidden, so the card does not jump.
    QSizePolicy errorPolicy = ui->textError->sizePolicy();
    errorPolicy.setRetainSizeWhenHidden(true);
    ui->textError->setSizePolicy(errorPolicy);
    ui->textError->hide();

    connect(ui->btnClose, &QPushButton::clicked, this, &VerifyWidget::reject);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &VerifyWidget::regenerate);
    connect(ui->captchaLabel, &CaptchaLabel::clicked, this, &VerifyWidget::regenerate);
    connect(ui->btnVerify, &QPushButton::clicked, this, &VerifyWidget::verify);
    connect(ui->editCode, &QLineEdit::returnPressed, this, &VerifyWidget::verify);
}

VerifyWidget::~VerifyWidget() = default;

CaptchaLabel *VerifyWidget::captcha() const {
    return ui->captchaLabel;
}

bool VerifyWidget::runCheck(QWidget *over) {
    if (m_loop) {
        LOG_ERROR << "picture check already running";
        return false;
    }
    const QRect area =
        over ? QRect(over->mapToGlobal(QPoint(0, 0)), over->size()) : screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));

    m_passed = false;
    regenerate();
    ui->textError->hide();
    ui->editCode->clear();
    show();
    activateWindow();
    raise();
    ui->editCode->setFocus();

    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;

    ui->captchaLabel->stop();
    hide();
    LOG_NOTE << "picture check passed:" << boolText(m_passed);
    return m_passed;
}

void VerifyWidget::regenerate() {
    ui->captchaLabel->regenerate();
    m_failures = 0;
    ++m_regenerations;
}

void VerifyWidget::verify() {
    if (ui->editCode->text().toUpper() == ui->captchaLabel->answer()) {
        finish(true);
        return;
    }
    ui->textError->show();
    ++m_failures;
    if (m_failures >= failuresPerPicture || m_failureRegenerations > patientRegenerations) {
        regenerate();
        ++m_failureRegenerations;
    }
}

void VerifyWidget::reject() {
    finish(false);
}

void VerifyWidget::finish(bool passed) {
    m_passed = passed;
    if (m_loop)
        m_loop->quit();
    else
        hide();
}

void VerifyWidget::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
