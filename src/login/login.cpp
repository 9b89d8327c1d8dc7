#include "login/login.h"

#include "custom/hintbubble.h"
#include "device/cloud/cloudreply.h"
#include "device/inifile.h"
#include "device/network.h"
#include "log/logline.h"
#include "login/loginprompts.h"
#include "login/virtualcamerausage.h"
#include "login/windowprompts.h"
#include "ui_login.h"

#include <climits>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QThread>

namespace {

constexpr int pollMs = 1000;
constexpr int tokenCheckMs = 30 * 60 * 1000;
constexpr int debounceMs = 3000;
constexpr int quitGraceMs = 200;
constexpr qint8 resendSeconds = 60;
constexpr int phoneLength = 11;
constexpr int codeLength = 6;
constexpr int hintTop = 150;

const char *const loginBright =
    "#btnLogin{border:0;border-radius:8px;background:#F8DE00;color:rgba(13,13,16,0.85);"
    "font-size:16px;font-weight:500;}#btnLogin:pressed{padding-top:2px;}";
const char *const loginPale = "#btnLogin{border:0;border-radius:8px;background:#FEF8CC;"
                              "color:rgba(13,13,16,0.4);font-size:16px;font-weight:500;}";
const char *const verifyPressable =
    "#btnVerifyCode{border:0;background:transparent;color:#1F71FF;font-size:14px;}"
    "#btnVerifyCode:pressed{padding-top:2px;}";
const char *const verifyCounting =
    "#btnVerifyCode{border:0;background:transparent;color:rgba(13,13,16,0.4);font-size:14px;}";
const char *const tipNormal =
    "#labelQRTip{color:rgba(13,13,16,0.85);font-size:16px;font-weight:500;}";
const char *const tipError = "#labelQRTip{color:#E62E31;font-size:16px;font-weight:500;}";
const char *const switchToQRcode =
    "#btnSwitch{border:0;image:url(:/img/loginQR.png);}#btnSwitch:pressed{padding-top:1px;}";
const char *const switchToCode =
    "#btnSwitch{border:0;image:url(:/img/loginTEL.png);}#btnSwitch:pressed{padding-top:1px;}";
const char *const codeHidden =
    "#btnMask{border:0;image:url(:/img/passwdHide.png);}#btnMask:pressed{padding-top:2px;}";
const char *const codeShown =
    "#btnMask{border:0;image:url(:/img/passwdShow.png);}#btnMask:pressed{padding-top:2px;}";
const char *const linkStyle = "color:rgba(31, 113, 255, 1);cursor:pointer;text-decoration:none;";

// The agreement pages of the signed-in service, by interface language.
QString agreementUrl(bool chinese, const char *page) {
    return QStringLiteral(KESTRA_WEB_BASE) +
           (chinese ? QStringLiteral("/net/zh-CN/") : QStringLiteral("/net/en-US/")) +
           QLatin1String(page);
}

} // namespace

Login *Login::getInstance() {
    // Unparented: the questions may come while the window is still hidden.
    static WindowPrompts prompts(nullptr);
    static NoVirtualCameraInUse nothingInUse;
    static Login *instance = new Login(prompts, nothingInUse);
    return instance;
}

Login::Login(LoginPrompts &prompts, const VirtualCameraUsage &cameras, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::Login>()), m_prompts(prompts), m_cameras(&cameras),
      m_network(Network::getInstance()) {
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("KestraLive"));
    setWindowIcon(QIcon(QStringLiteral(":/img/logo.ico")));

    m_hint = new HintBubble(ui->baseFrame);
    m_hint->setTop(hintTop);
    ui->frameQRError->hide();
    ui->btnClearAccount->hide();
    ui->labelQR->installEventFilter(this);
    ui->frameQRError->installEventFilter(this);

    m_resendTimer.setInterval(pollMs);
    m_qrPollTimer.setInterval(pollMs);
    m_tokenCheckTimer.setInterval(tokenCheckMs);
    m_tokenCheckTimer.setSingleShot(true);
    m_debounceTimer.setInterval(debounceMs);
    m_debounceTimer.setSingleShot(true);

    IniFile &settings = IniFile::getInstance();
    m_keepNewstVersion = settings.keepNewstVersion();
    m_token = settings.getToken();
    m_refreshToken = settings.getRefreshToken();

    connectControls();
    connectNetwork();
    resetPage();
    m_networkThread.start();
}

Login::~Login() {
    stopTimers();
    m_networkThread.stop();
}

void Login::connectNetwork() {
    const auto queued = Qt::QueuedConnection;
    connect(m_network, &Network::sigRequestVerifyCode, this, &Login::onRequestVerifyCode, queued);
    connect(m_network, &Network::sigVerifyCodeLogin, this, &Login::onLoginVerifyCodeReply, queued);
    connect(m_network, &Network::sigGetQRcode, this, &Login::onGetQRcodeReply, queued);
    connect(m_network, &Network::sigGetQRcodeStatus, this, &Login::onGetQRcodeStatusReply, queued);
    connect(m_network, &Network::sigGetUserInfo, this, &Login::onGetUserInfo, queued);
    connect(m_network, &Network::sigRefreshToken, this, &Login::onRefreshToken, queued);
    connect(m_network, &Network::sigVersionQueryFaild, this, &Login::onVersionQueryFaild, queued);
    connect(m_network, &Network::sigVersionUpdateHint, this, &Login::onVersionNeedUpgrade, queued);
    connect(m_network, &Network::sigVersionIsNewst, this, &Login::onVersionNewst, queued);
    connect(m_network, &Network::sigDownloadCompleted, this, &Login::onApplicationUpdateOver,
            queued);
    connect(m_network, &Network::sigDownloadProgress, this, &Login::onUpdateDownloadProgress,
            queued);
    connect(m_network, &Network::sigDownloadFaild, this, &Login::onApplicationDownloadFaild,
            queued);
}

void Login::connectControls() {
    connect(ui->btnSwitch, &QPushButton::clicked, this, &Login::onBtnSwitchPage);
    connect(ui->btnClose, &QPushButton::clicked, this, &Login::onBtnClose);
    connect(ui->btnLogin, &QPushButton::clicked, this, &Login::onBtnLogin);
    connect(ui->btnVerifyCode, &QPushButton::clicked, this, &Login::onBtnVefigyCode);
    connect(ui->btnMask, &QPushButton::clicked, this, &Login::onBtnPasswdsMask);
    connect(ui->btnClearAccount, &QPushButton::clicked, this, &Login::onBtnClearLineAccount);
    connect(ui->btnRefreshQR, &QPushButton::clicked, this, &Login::onBtnRefreshQR);
    connect(ui->lineAccount, &QLineEdit::textChanged, this, &Login::onLineAccountChandge);
    connect(ui->lineCode, &QLineEdit::textChanged, this, &Login::onLineCodeChandge);
    connect(&m_resendTimer, &QTimer::timeout, this, &Login::onTimeoutRequestVerify);
    connect(&m_qrPollTimer, &QTimer::timeout, this, &Login::onTimeoutQRcodeQueryStatus);
    connect(&m_tokenCheckTimer, &QTimer::timeout, this, &Login::onTimeoutTokenCheck);
    connect(&m_debounceTimer, &QTimer::timeout, this, &Login::onTimeoutDebounce);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::availableGeometryChanged, this, &Login::onScreenUpdate);
}

void Login::setTokenCheckInterval(int ms) {
    m_tokenCheckTimer.setInterval(ms);
}

// ---- the run loop's operations ------------------------------------------------

bool Login::runSignIn() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_signedIn = false;
    // The sign-in waits as long as the user needs; the timer only bounds the loop.
    QTimer::singleShot(INT_MAX, &m_signInLoop, &QEventLoop::quit);
    m_signInLoop.exec();
    m_resendTimer.stop();
    m_qrPollTimer.stop();
    const QString reserved = QStringLiteral(KESTRA_REVIEW_ACCOUNT);
    if (m_signedIn && (reserved.isEmpty() || ui->lineAccount->text() != reserved))
        m_tokenCheckTimer.start();
    m_startupPhase = false;
    hide();
    return m_signedIn;
}

void Login::signOut() {
    stopTimers();
    m_network->accountQuitLogin(m_token);
    storeTokens({}, {});
    m_signedIn = false;
    showWindow();
}

void Login::quitSignIn() {
    quitWith(ExitFromLogin);
}

void Login::onBtnClose() {
    quitWith(ExitQuit);
}

// The engine gets a moment to end its pass before the loops end.
void Login::quitWith(int code) {
    stopTimers();
    m_network->stopThreads();
    QThread::msleep(quitGraceMs);
    endEventLoop(code);
}

void Login::endEventLoop(int code) {
    m_lastExitCode = code;
    // Ends the sign-in loop and, when the tray runs, the application's loop.
    QCoreApplication::exit(code);
}

void Login::stopTimers() {
    m_resendTimer.stop();
    m_qrPollTimer.stop();
    m_tokenCheckTimer.stop();
    m_debounceTimer.stop();
}

void Login::resetPage() {
    ui->stackedWidget->setCurrentWidget(ui->pageTel);
    ui->btnSwitch->setStyleSheet(QLatin1String(switchToQRcode));
    ui->lineAccount->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{11}")), ui->lineAccount));
    ui->lineCode->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{6}")), ui->lineCode));
    ui->lineCode->clear();
    ui->lineCode->setEchoMode(QLineEdit::Password);
    ui->btnMask->setStyleSheet(QLatin1String(codeHidden));
    if (!m_resendTimer.isActive())
        setVerifyButtonCounting(false);
    setLoginButtonBright(false);
    retranslate();
}

void Login::retranslate() {
    ui->retranslateUi(this);
    ui->lineAccount->setPlaceholderText(tr("请输入手机号"));
    ui->lineCode->setPlaceholderText(tr("请输入验证码"));
    if (!m_resendTimer.isActive())
        ui->btnVerifyCode->setText(tr("发送验证码"));
    ui->btnLogin->setText(tr("登录"));
    setQRcodeTip(m_qrTip);
    ui->labelQRErrorText->setText(tr("点击刷新"));

    const bool chinese = IniFile::getInstance().language() == 0;
    const QString style = QLatin1String(linkStyle);
    const QString agreementLine = QStringLiteral("%1<a style=\"") + style +
                                  QStringLiteral("\" href=\"%2\">%3</a>%4<a style=\"") + style +
                                  QStringLiteral("\" href=\"%5\">%6</a>");
    ui->labelAgreement->setText(agreementLine.arg(
        tr("登录即同意"), agreementUrl(chinese, "agreement.html"), tr("《用户协议》"), tr("及"),
        agreementUrl(chinese, "privacy.html"), tr("《隐私政策》")));
}

void Login::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void Login::showWindow() {
    show();
    activateWindow();
    raise();
}

void Login::showHint(const QString &text) {
    m_hint->showHint(text);
}

// ---- window controls -------------------------------------------------------------

void Login::onLineAccountChandge(QString text) {
    ui->btnClearAccount->setVisible(!text.isEmpty());
}

void Login::onBtnClearLineAccount() {
    ui->lineAccount->clear();
    ui->btnClearAccount->hide();
}

void Login::onLineCodeChandge(QString text) {
    setLoginButtonBright(text.size() == codeLength);
}

void Login::setLoginButtonBright(bool bright) {
    ui->btnLogin->setStyleSheet(QLatin1String(bright ? loginBright : loginPale));
}

void Login::setVerifyButtonCounting(bool counting) {
    ui->btnVerifyCode->setStyleSheet(QLatin1String(counting ? verifyCounting : verifyPressable));
}

void Login::onBtnPasswdsMask() {
    const bool hidden = ui->lineCode->echoMode() == QLineEdit::Password;
    ui->lineCode->setEchoMode(hidden ? QLineEdit::Normal : QLineEdit::Password);
    ui->btnMask->setStyleSheet(QLatin1String(hidden ? codeShown : codeHidden));
}

void Login::onScreenUpdate(QRect geometry) {
    if (!geometry.contains(frameGeometry()))
        move(geometry.center() - rect().center());
}

bool Login::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == ui->labelQR || watched == ui->frameQRError) &&
        event->type() == QEvent::MouseButtonPress) {
        requestQRcode();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The window is moved by its title area.
void Login::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton &&
        ui->frameHead->geometry().contains(
            ui->baseFrame->mapFrom(this, event->position().toPoint()))) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void Login::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void Login::mouseReleaseEvent(QMouseEvent *event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

// ---- sign-in by code -------------------------------------------------------------

void Login::onBtnVefigyCode() {
    const QString phone = ui->lineAccount->text();
    if (phone.size() != phoneLength) {
        showHint(tr("请输入正确手机号"));
        return;
    }
    if (m_resendTimer.isActive())
        return;
    if (!m_startupPhase && !m_prompts.passPictureCheck(this)) {
        LOG_NOTE << "not pass anit-robot verify";
        return;
    }
    m_startupPhase = false;
    m_phone = phone;
    m_network->accountRequstVerifyCode(phone);
    m_resendCountdown = resendSeconds;
    ui->btnVerifyCode->setText(QString::number(m_resendCountdown) + QStringLiteral("S"));
    setVerifyButtonCounting(true);
    ui->lineCode->setFocus();
    m_resendTimer.start();
}

void Login::onTimeoutRequestVerify() {
    if (m_resendCountdown > 1) {
        --m_resendCountdown;
        ui->btnVerifyCode->setText(QString::number(m_resendCountdown) + QStringLiteral("S"));
        return;
    }
    m_resendCountdown = 0;
    m_resendTimer.stop();
    ui->btnVerifyCode->setText(tr("重新发送"));
    setVerifyButtonCounting(false);
}

void Login::onRequestVerifyCode(int status, QByteArray byteArray) {
    const QString prefix = QStringLiteral("request verify code>>> ");
    if (status != 200) {
        LOG_ERROR << QStringLiteral("http reply error: ") + QString::number(status);
        return;
    }
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (!reply.decoded())
        LOG_ERROR << QStringLiteral("json parse faild, error:") + QString::number(status) +
                         QStringLiteral(" ") + QString::fromUtf8(byteArray);
    else if (reply.code != 0)
        LOG_ERROR << prefix + QStringLiteral("error: ") + reply.msg + QStringLiteral(" code:") +
                         QString::number(reply.code);
}

void Login::onBtnLogin() {
    const QString phone = ui->lineAccount->text();
    if (phone.size() != phoneLength || phone != m_phone) {
        showHint(tr("请输入正确手机号"));
        return;
    }
    const QString code = ui->lineCode->text();
    if (code.size() != codeLength) {
        showHint(tr("验证码错误"));
        return;
    }
    if (m_codeLoginBusy)
        return;
    if (m_network->accountVerifyCodeLogin(code)) {
        LOG_NOTE << "verify code login start...";
        m_codeLoginBusy = true;
        m_debounceTimer.start();
    }
}

void Login::onLoginVerifyCodeReply(int status, QByteArray byteArray) {
    if (m_signedIn)
        return;
    m_codeLoginBusy = false;
    const QString prefix = QStringLiteral("verify code login>>> ");
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (status == 200 && reply.succeeded()) {
        const SignInGrant grant = SignInGrant::from(reply.data);
        if (grant.complete()) {
            completeSignIn(grant);
            return;
        }
        LOG_ERROR << prefix + QStringLiteral("error: the reply carries no tokens");
        showHint(tr("登录失败请重试"));
        return;
    }
    if (status != 200 || !reply.decoded()) {
        LOG_ERROR << prefix + QStringLiteral("http status:") + QString::number(status) +
                         QStringLiteral(" body:") + QString::fromUtf8(byteArray);
        showHint(tr("登录失败请重试"));
        return;
    }
    LOG_ERROR << prefix + QStringLiteral("error: ") + reply.msg + QStringLiteral(" code:") +
                     QString::number(reply.code);
    switch (reply.code) {
    case CloudNotRegistered:
        showHint(tr("账号未注册"));
        break;
    case CloudWrongCode:
        showHint(tr("验证码错误"));
        break;
    case CloudSignInTooOften:
        showHint(tr("登录太频繁请稍后再试"));
        break;
    default:
        showHint(tr("登录失败请重试"));
        break;
    }
}

void Login::completeSignIn(const SignInGrant &grant) {
    storeTokens(grant.token, grant.refreshToken);
    m_userId = grant.user.userId;
    m_userPhone = grant.user.phone;
    m_userEmail = grant.user.email;
    m_signedIn = true;
    m_signInLoop.quit();
}

void Login::storeTokens(const QString &token, const QString &refreshToken) {
    m_token = token;
    m_refreshToken = refreshToken;
    IniFile &settings = IniFile::getInstance();
    settings.setToken(token);
    settings.setRefreshToken(refreshToken);
}

// ---- sign-in by QR code ----------------------------------------------------------

void Login::onBtnSwitchPage() {
    if (ui->stackedWidget->currentWidget() == ui->pageTel) {
        requestQRcode();
        ui->stackedWidget->setCurrentWidget(ui->pageQR);
        ui->btnSwitch->setStyleSheet(QLatin1String(switchToCode));
        return;
    }
    m_qrPollTimer.stop();
    ui->stackedWidget->setCurrentWidget(ui->pageTel);
    ui->btnSwitch->setStyleSheet(QLatin1String(switchToQRcode));
}

void Login::onBtnRefreshQR() {
    requestQRcode();
}

void Login::requestQRcode() {
    if (m_qrDebounce)
        return;
    m_network->accountGetQRcode();
    m_qrValid = false;
    m_qrDebounce = true;
    m_debounceTimer.start();
}

void Login::onTimeoutDebounce() {
    m_qrDebounce = false;
    m_codeLoginBusy = false;
}

void Login::setQRcodeTip(QRcodeTip tip) {
    m_qrTip = tip;
    const bool error = tip == QRcodeTip::Expired || tip == QRcodeTip::Failed;
    ui->labelQRTip->setStyleSheet(QLatin1String(error ? tipError : tipNormal));
    switch (tip) {
    case QRcodeTip::Scan:
        ui->labelQRTip->setText(tr("APP扫一扫"));
        ui->btnRefreshQR->setText(tr("刷新二维码"));
        break;
    case QRcodeTip::Scanned:
        ui->labelQRTip->setText(tr("扫码成功"));
        ui->btnRefreshQR->setText(tr("请在手机端确认"));
        break;
    case QRcodeTip::Expired:
        ui->labelQRTip->setText(tr("二维码已过期"));
        ui->btnRefreshQR->setText(tr("请刷新重试"));
        break;
    case QRcodeTip::Failed:
        ui->labelQRTip->setText(tr("登录异常"));
        ui->btnRefreshQR->setText(tr("请刷新重试"));
        break;
    }
}

void Login::onGetQRcodeReply(int status, QByteArray byteArray) {
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (status == 200 && reply.succeeded()) {
        const QRcodeOffer offer = QRcodeOffer::from(reply.data);
        LOG_NOTE << QStringLiteral("qrCode:") + secretFingerprint(offer.id) +
                        QStringLiteral(" codeImg:") + QString::number(offer.imageText.size()) +
                        QStringLiteral(" chars");
        QPixmap picture;
        if (offer.id.isEmpty() || !picture.loadFromData(offer.pictureBytes())) {
            LOG_ERROR << "get QR code>>> error: the reply carries no QR code picture";
            enterQRcodeErrorState(tr("二维码刷新失败"));
            return;
        }
        m_qrCodeId = offer.id;
        m_qrCodeImage = offer.imageText;
        m_qrCodeExpire = offer.expire;
        const QSize room = ui->labelQR->contentsRect().size();
        ui->labelQR->setPixmap(picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_qrValid = true;
        ui->frameQRError->hide();
        setQRcodeTip(QRcodeTip::Scan);
        if (!m_qrPollTimer.isActive())
            m_qrPollTimer.start();
        return;
    }
    LOG_ERROR << QStringLiteral("get QR code>>> status:") + QString::number(status) +
                     QStringLiteral(" code:") + QString::number(reply.code) +
                     QStringLiteral(" msg:") + reply.msg;
    if (reply.decoded() && reply.code == CloudQRcodeTooOften)
        showHint(tr("二维码刷新频繁"));
    else
        enterQRcodeErrorState(tr("二维码刷新失败"));
}

void Login::onTimeoutQRcodeQueryStatus() {
    m_network->accountGetQRcodeStatus(m_qrCodeId);
}

void Login::onGetQRcodeStatusReply(int status, QByteArray byteArray) {
    if (!m_qrValid || m_signedIn) {
        m_qrPollTimer.stop();
        return;
    }
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (status != 200 || !reply.decoded()) {
        LOG_ERROR << QStringLiteral("get QR code status>>> status:") + QString::number(status);
        enterQRcodeErrorState(tr("扫码登录失败请重试"));
        return;
    }
    if (reply.code != 0) {
        LOG_ERROR << QStringLiteral("get QR code status>>> error: ") + reply.msg +
                         QStringLiteral(" code:") + QString::number(reply.code);
        enterQRcodeErrorState(reply.code == CloudQRcodeTooOften ? tr("二维码刷新频繁")
                                                                : tr("二维码刷新失败"));
        return;
    }
    const QRcodeState state = QRcodeState::from(reply.data);
    switch (state.status) {
    case QRcodeState::Scanned:
        setQRcodeTip(QRcodeTip::Scanned);
        break;
    case QRcodeState::Expired:
        setQRcodeTip(QRcodeTip::Expired);
        m_qrValid = false;
        m_qrPollTimer.stop();
        break;
    case QRcodeState::Confirmed:
        m_qrPollTimer.stop();
        m_qrValid = false;
        if (!state.grant.complete()) {
            LOG_ERROR << "get QR code status>>> error: the reply carries no tokens";
            enterQRcodeErrorState(tr("扫码登录失败请重试"));
            return;
        }
        completeSignIn(state.grant);
        break;
    default: // waiting
        break;
    }
}

void Login::enterQRcodeErrorState(const QString &hint) {
    showHint(hint);
    setQRcodeTip(QRcodeTip::Failed);
    ui->frameQRError->show();
    ui->frameQRError->raise();
    m_qrValid = false;
    m_qrDebounce = false;
    m_qrPollTimer.stop();
}

// ---- silent sign-in, token check and refresh ---------------------------------

void Login::signInSilently() {
    m_network->accountGetUserInfo(m_token);
}

void Login::onTimeoutTokenCheck() {
    LOG_NOTE << "token check";
    m_network->accountGetUserInfo(m_token);
}

void Login::onGetUserInfo(int status, QByteArray byteArray) {
    constexpr int unauthorized = 401;
    if (m_signedIn) {
        if (status != unauthorized) {
            m_tokenCheckTimer.start();
            return;
        }
        m_network->accountRefreshToken(m_refreshToken);
        m_token.clear();
        IniFile::getInstance().setToken({});
        LOG_NOTE << " token invalid, refresh token";
        return;
    }
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (status != unauthorized && reply.succeeded()) {
        const UserInfo user =
            UserInfo::from(reply.data.value(QStringLiteral("user_info")).toObject());
        m_userId = user.userId;
        m_userPhone = user.phone;
        m_userEmail = user.email;
        m_signedIn = true;
        m_signInLoop.quit();
        return;
    }
    if (status == unauthorized)
        storeTokens({}, {});
    showWindow();
    LOG_ERROR << QStringLiteral("autoLogin faild!  status code:") + QString::number(status) +
                     QStringLiteral("  data:") + QString::fromUtf8(byteArray);
}

void Login::onRefreshToken(int status, QByteArray byteArray) {
    constexpr int unauthorized = 401;
    const QString prefix = QStringLiteral("refresh token>>> ");
    const CloudReply reply = CloudReply::decode(status, byteArray);
    if (status != unauthorized && reply.succeeded()) {
        const SignInGrant grant = SignInGrant::from(reply.data);
        if (grant.complete()) {
            storeTokens(grant.token, grant.refreshToken);
            m_tokenCheckTimer.start();
            LOG_NOTE << prefix + QStringLiteral("success");
            return;
        }
    }
    if (status == unauthorized) {
        LOG_ERROR << prefix + QStringLiteral("faild");
        m_refreshToken.clear();
        IniFile::getInstance().setRefreshToken({});
    } else {
        // The body may hold what was meant to be a token: only its size is logged.
        LOG_ERROR << prefix + QStringLiteral("error: status:") + QString::number(status) +
                         QStringLiteral(" code:") + QString::number(reply.code) +
                         QStringLiteral(" body size:") + QString::number(byteArray.size());
    }
    endEventLoop(ExitSignOut);
}

bool Login::ask(const QString &title, const QString &text, const QString &declineText,
                const QString &acceptText) {
    return m_prompts.message(title, text, {declineText, acceptText}) == 1;
}
