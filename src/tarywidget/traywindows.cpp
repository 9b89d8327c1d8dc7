#include "tarywidget/traywindows.h"

#include "campair/campair.h"
#include "menu/menu.h"
#include "menu/traymsgboxprompts.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/tarywidget.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace {
// One tray pass: the icon outlives the window that borrows it.
class TrayWindowPass : public TrayPass {
public:
    TrayWindowPass(WorkMode_e mode, const TrayParts &parts)
        : m_icon(std::make_unique<QSystemTrayIcon>()),
          m_window(std::make_unique<taryWidget>(m_icon.get(), mode, parts)) {}
    ~TrayWindowPass() override {
        m_window.reset();
        m_icon.reset();
    }
    void hideAndExit() override { m_window->hideAndExit(); }
    void quitLogin() override { m_window->quitLogin(); }

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<taryWidget> m_window;
};
} // namespace

TrayWindows::TrayWindows(IniFile &settings, const SignedInAccount &account)
    : m_settings(settings), m_account(account), m_prompts(std::make_unique<TrayMsgBoxPrompts>()),
      m_camPair(std::make_unique<CamPair>(*m_prompts)), m_addDevice(std::make_unique<AddDevice>()),
      m_searchDevice(std::make_unique<SearchDevice>()) {}

TrayWindows::~TrayWindows() = default;

std::unique_ptr<TrayPass> TrayWindows::createPass(int workMode) {
    TrayParts parts;
    parts.settings = &m_settings;
    parts.menu = Menu::getInstance();
    parts.addDevice = m_addDevice.get();
    parts.searchDevice = m_searchDevice.get();
    parts.camPair = m_camPair.get();
    parts.prompts = m_prompts.get();
    parts.account = &m_account;
    return std::make_unique<TrayWindowPass>(
        workMode == WORKMODE_MULTI ? WORKMODE_MULTI : WORKMODE_SINGLE, parts);
}

int TrayWindows::exec() {
    return QApplication::exec();
}

bool TrayWindows::anyInUse() const {
    return !m_camPair->isAllIdle();
}
