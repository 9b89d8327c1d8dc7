// Login: the sign-in window, and the owner of the account's sign-in state.
// It signs the user in by a one-time code sent to a phone number (after the
// picture check), by a QR code scanned with the phone app, or silently with
// the tokens stored at the last sign-in; it checks the token every 30 minutes,
// refreshes it, and signs out. It also hosts the reactions to the version
// check and the update download, because the start-up sign-in waits for that
// check. It starts the HTTP engine's worker and talks to the cloud through it.
//
// Exit codes with which it ends the event loops (see ExitCode_e): 527 quit
// (start-up check failed, forced update refused), 537 sign-in lost, 759 quit
// and install; 0 when the user closes the window.
//
// Threads: GUI thread only; the engine's replies arrive by queued signals.
// Modal questions go through LoginPrompts; one instance for the program
// (getInstance), tests make their own.
#pragma once

#include "device/networkthread.h"
#include "device/networktypes.h"
#include "login/signedinaccount.h"
#include "main/startupparts.h"

#include <memory>
#include <QEventLoop>
#include <QPoint>
#include <QTimer>
#include <QWidget>

class HintBubble;
class LoginPrompts;
class Network;
class VirtualCameraUsage;
struct SignInGrant;

namespace Ui {
class Login;
}

class Login : public QWidget, public SignInSide, public SignedInAccount {
    Q_OBJECT
public:
    static Login *getInstance();

    Login(LoginPrompts &prompts, const VirtualCameraUsage &cameras, QWidget *parent = nullptr);
    ~Login() override;

    bool runSignIn();
    void signOut() override;
    void quitSignIn();
    void resetPage() override;
    void automaticInstall();

    // SignInSide, for the run loop.
    bool runModal() override { return runSignIn(); }
    void quit() override { quitSignIn(); }
    void startInstaller() override { automaticInstall(); }

    // Ends the HTTP engine's worker and joins it; the last step before the
    // program returns from main (the engine outlives the window).
    void stopNetwork() { m_networkThread.stop(); }

    // The pairing side, once the tray exists; nothing is in use until then.
    void setVirtualCameraUsage(const VirtualCameraUsage &cameras) { m_cameras = &cameras; }
    // The token check's interval (30 minutes); tests shorten it.
    void setTokenCheckInterval(int ms);
    bool isSignedIn() const override { return m_signedIn; }
    QString userId() const override { return m_userId; }
    QString account() const override { return m_userPhone.isEmpty() ? m_userEmail : m_userPhone; }
    // The exit code the window last ended the event loops with, -1 for none.
    int lastExitCode() const { return m_lastExitCode; }

public slots:
    void onBtnSwitchPage();
    void onBtnClose();
    void onBtnLogin();
    void onBtnVefigyCode();
    void onBtnPasswdsMask();
    void onBtnClearLineAccount();
    void onBtnRefreshQR();
    void onScreenUpdate(QRect geometry);
    void onLineAccountChandge(QString text);
    void onLineCodeChandge(QString text);
    void onTimeoutRequestVerify();
    void onTimeoutQRcodeQueryStatus();
    void onTimeoutDebounce();
    void onTimeoutTokenCheck();
    void onVersionQueryFaild();
    void onVersionNeedUpgrade(QString defaultFileName, bool isStartupHint, bool isForceUpdate);
    void onVersionNewst(bool isStartupHint);
    void onApplicationUpdateOver(bool isForce);
    void onUpdateDownloadProgress(schar value);
    void onApplicationDownloadFaild(bool isForce);
    void onCheckUpdate();
    void onRequestVerifyCode(int status, QByteArray byteArray);
    void onLoginVerifyCodeReply(int status, QByteArray byteArray);
    void onGetQRcodeReply(int status, QByteArray byteArray);
    void onGetQRcodeStatusReply(int status, QByteArray byteArray);
    void onGetUserInfo(int status, QByteArray byteArray);
    void onRefreshToken(int status, QByteArray byteArray);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void connectNetwork();
    void connectControls();
    void retranslate();
    void showHint(const QString &text);
    void showWindow();
    void continueSignIn();
    void signInSilently();
    void completeSignIn(const SignInGrant &grant);
    void storeTokens(const QString &token, const QString &refreshToken);
    void stopTimers();
    void endEventLoop(int code);
    void quitWith(int code);
    void requestQRcode();
    // What the QR page says under the picture; kept to retranslate it.
    enum class QRcodeTip { Scan, Scanned, Expired, Failed };
    void setQRcodeTip(QRcodeTip tip);
    void enterQRcodeErrorState(const QString &hint);
    void setLoginButtonBright(bool bright);
    void setVerifyButtonCounting(bool counting);
    // False, after telling the user, when the installer could not be started.
    bool launchDownloadedInstaller();
    // Two-button question: false unless the right-hand button (accept) was pressed.
    bool ask(const QString &title, const QString &text, const QString &declineText,
             const QString &acceptText);

    std::unique_ptr<Ui::Login> ui;
    LoginPrompts &m_prompts;
    const VirtualCameraUsage *m_cameras;
    Network *m_network;
    NetworkThread m_networkThread;
    HintBubble *m_hint;
    QEventLoop m_signInLoop;

    bool m_signedIn = false;
    bool m_codeLoginBusy = false;
    bool m_startupPhase = true;
    bool m_qrValid = false;
    bool m_qrDebounce = false;
    QRcodeTip m_qrTip = QRcodeTip::Scan;
    bool m_keepNewstVersion = false;
    qint8 m_resendCountdown = 60;
    QString m_phone;
    QString m_token;
    QString m_refreshToken;
    QString m_userId;
    QString m_userPhone;
    QString m_userEmail;
    QString m_qrCodeId;
    QString m_qrCodeImage;
    qint64 m_qrCodeExpire = 0;
    QString m_savePath;
    int m_lastExitCode = -1;

    QTimer m_resendTimer;
    QTimer m_qrPollTimer;
    QTimer m_tokenCheckTimer;
    QTimer m_debounceTimer;

    QPoint m_dragOffset;
    bool m_dragging = false;
};
