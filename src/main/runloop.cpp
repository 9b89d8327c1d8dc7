#include "main/runloop.h"

#include "device/inifile.h"
#include "log/logline.h"

#include <QCoreApplication>
#include <QThread>

RunLoop::RunLoop(IniFile &settings, SignInSide &signIn, WorkModeChooser &chooser,
                 AudioBridge &audio, TrayHost &tray)
    : m_settings(settings), m_signIn(signIn), m_chooser(chooser), m_audio(audio), m_tray(tray) {}

int RunLoop::run() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    const int code = runPasses();
    if (m_audioStarted)
        m_audio.stop();
    return code;
}

int RunLoop::runPasses() {
    for (;;) {
        if (!signIn())
            return -1;

        int code = ExitQuit;
        std::unique_ptr<TrayPass> pass;
        for (;;) {
            applyPendingModeSwitch();
            pass = m_tray.createPass(m_settings.workMode());
            code = m_tray.exec();
            if (code != ExitSwitchMode)
                break;
            LOG_NOTE << "restart: switch mode!";
            pass.reset();
        }

        if (code == ExitSignOut) {
            pass->quitLogin();
            m_signIn.signOut();
            m_signIn.resetPage();
            LOG_NOTE << "login quit!";
            pass.reset();
            continue;
        }
        if (code == ExitInstallUpdate) {
            pass->hideAndExit();
            m_signIn.startInstaller();
        } else if (code == ExitFromLogin) {
            pass->hideAndExit();
        }
        return code;
    }
}

bool RunLoop::signIn() {
    if (!m_signIn.runModal()) {
        LOG_ERROR << "login faild: opration cancel or login timeout!";
        return false;
    }
    const int mode = m_settings.workMode();
    if (mode != 0 && mode != 1 && !m_settings.workModeSelect()) {
        LOG_ERROR << "config.ini: workMode" << mode
                  << "is neither 0 (single camera) nor 1 (multi camera): choosing the mode again";
        m_settings.setWorkModeSelect(true);
    }
    if (m_settings.workModeSelect()) {
        m_settings.clearDeviceRecords();
        m_settings.removeVCameraList();
        if (!m_chooser.runModal()) {
            m_signIn.quit();
            LOG_ERROR << "regsiter dll error: Timeout or register faild!";
            return false;
        }
        m_settings.setWorkModeSelect(false);
    }
    if (!m_audioStarted) {
        m_audio.start();
        m_audioStarted = true;
    }
    return true;
}

void RunLoop::applyPendingModeSwitch() {
    if (!m_settings.workModeSwitch())
        return;
    const bool multi = m_settings.workMode() == 1;
    const bool registered = multi ? m_chooser.registerMultiMode() : m_chooser.registerSingleMode();
    if (registered) {
        m_settings.clearDeviceRecords();
        m_settings.removeVCameraList();
        if (multi)
            LOG_NOTE << "switch multi-dev mode success!";
        else
            LOG_NOTE << "switch single-dev mode success!";
    } else {
        if (multi)
            LOG_ERROR << "switch multi-dev mode faild!";
        else
            LOG_ERROR << "switch single-dev mode faild!";
        m_settings.setWorkMode(multi ? 0 : 1);
    }
    m_settings.setWorkModeSwitch(false);
}
