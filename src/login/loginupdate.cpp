// Login's reactions to the version check and the update download.
#include "device/network.h"
#include "log/logline.h"
#include "login/login.h"
#include "login/loginprompts.h"
#include "login/progressdialog.h"
#include "login/virtualcamerausage.h"
#include "platform/installerlauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int quitGraceMs = 200;

// The installer's own kind first, then anything.
QString saveFilter(const QString &fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.isEmpty())
        return QStringLiteral("all files (*)");
    return QStringLiteral("file (*.%1);;all files (*.*)").arg(suffix);
}

} // namespace

void Login::onCheckUpdate() {
    m_network->requestVersion();
}

// Goes on with the start-up sign-in once the version check is settled.
void Login::continueSignIn() {
    if (m_signedIn)
        return;
    if (m_startupPhase && !m_token.isEmpty())
        signInSilently();
    else
        showWindow();
}

void Login::onVersionNewst(bool isStartupHint) {
    if (isStartupHint) {
        continueSignIn();
        return;
    }
    m_prompts.message(tr("当前已经是最新版本!"),
                      tr("当前版本：") + QStringLiteral("V") + m_network->latestVersion(),
                      {tr("我知道了")});
}

void Login::onVersionQueryFaild() {
    if (!m_signedIn)
        showWindow();
    m_prompts.message(tr("提示"), tr("可能原因：网络或代理服务器异常，请检查设置后重试"),
                      {tr("我知道了")});
    const bool answerEverReceived = (m_network->versionAnswerFlagAndRetries() & 0xFF) != 0;
    if (!answerEverReceived)
        quitSignIn();
}

void Login::onVersionNeedUpgrade(QString defaultFileName, bool isStartupHint, bool isForceUpdate) {
    if (isStartupHint && !isForceUpdate && !m_keepNewstVersion) {
        continueSignIn();
        return;
    }
    if (!m_signedIn)
        showWindow();
    const QString latest = QStringLiteral("V") + m_network->latestVersion();
    const bool accepted =
        isForceUpdate
            ? ask(tr("当前版本过低"), tr("当前版本过低，无法使用相机业务，请下载最新版本"),
                  tr("下次再说"), tr("立即更新"))
            : ask(tr("发现新版本，可升级!"), tr("新版本：") + latest, tr("取消"), tr("立即更新"));
    if (!accepted) {
        if (isForceUpdate)
            quitSignIn();
        else
            continueSignIn();
        return;
    }
    LOG_NOTE << QStringLiteral("default application file name:") + defaultFileName;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    m_savePath = m_prompts.saveFileName(tr("保存文件"), QDir(folder).filePath(defaultFileName),
                                        saveFilter(defaultFileName));
    LOG_NOTE << QStringLiteral("file save path: ") + m_savePath;
    if (!m_savePath.isEmpty()) {
        m_network->startDownloadApplication(m_savePath);
        return;
    }
    if (isForceUpdate)
        quitSignIn();
    else
        continueSignIn();
}

void Login::onUpdateDownloadProgress(schar value) {
    ProgressDialog *dialog = ProgressDialog::getInstance();
    if (dialog->isHidden())
        dialog->showFor(m_signedIn);
    if (value < 0)
        dialog->setBusy(true);
    else
        dialog->setValue(value);
}

void Login::onApplicationDownloadFaild(bool isForce) {
    ProgressDialog::getInstance()->hide();
    if (ask(tr("下载失败"), tr("可能原因：网络或代理服务器异常，请检查设置后重试"), tr("关闭"),
            tr("重试"))) {
        LOG_NOTE << "retry download application file";
        m_network->startDownloadApplication(m_savePath);
        return;
    }
    if (isForce)
        quitSignIn();
    else
        continueSignIn();
}

void Login::onApplicationUpdateOver(bool isForce) {
    ProgressDialog::getInstance()->hide();
    if (!m_signedIn)
        showWindow();
    if (!ask(tr("下载完成"), tr("新版软件已下载完成，请问是否关闭正在运行的软件，立即安装"),
             tr("下次再说"), tr("立即安装"))) {
        if (isForce)
            quitSignIn();
        else
            continueSignIn();
        return;
    }
    if (m_cameras->anyInUse() &&
        !ask(tr("确认要退出吗?"), tr("退出会关闭无线相机的功能"), tr("取消"), tr("退出")))
        return;
    if (!m_signedIn) {
        LOG_NOTE << "not logined: aotumaitc install";
        // Quit only once the installer runs: after a failed start the
        // window, and the engine behind it, stay for the user.
        if (!launchDownloadedInstaller())
            return;
        m_network->stopThreads();
        QThread::msleep(quitGraceMs);
        endEventLoop(ExitQuit);
        return;
    }
    LOG_NOTE << "logined: aotumatic install";
    m_network->stopThreads();
    endEventLoop(ExitInstallUpdate);
}

void Login::automaticInstall() {
    launchDownloadedInstaller();
}

bool Login::launchDownloadedInstaller() {
    const QString path = QDir::toNativeSeparators(m_savePath);
    LOG_NOTE << QStringLiteral("automatic install path: ") + path;
    if (launchInstaller(m_savePath))
        return true;
    LOG_ERROR << "automatic installation failure: startDetached error!";
    m_prompts.message(tr("安装失败"),
                      tr("请尝试退出所有应用程序，包括直播软件，然后再执行安装程序"),
                      {tr("我知道了")});
    return false;
}
