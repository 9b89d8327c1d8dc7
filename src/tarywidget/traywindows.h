// TrayWindows: the tray side of the run loop. It holds the windows that live
// as long as the program (pairing dialog, add-device and search windows, the
// menu and the message box behind the prompts) and makes one tray icon and
// one main window per tray pass. It also tells the sign-in side whether a
// virtual camera is in use, since only the pairing dialog knows.
//
// Created after the sign-in window and destroyed before it, on the GUI thread.
#pragma once

#include "login/virtualcamerausage.h"
#include "main/startupparts.h"

#include <memory>

class AddDevice;
class CamPair;
class IniFile;
class SearchDevice;
class SignedInAccount;
class TrayPrompts;

class TrayWindows : public TrayHost, public VirtualCameraUsage {
public:
    TrayWindows(IniFile &settings, const SignedInAccount &account);
    ~TrayWindows() override;

    std::unique_ptr<TrayPass> createPass(int workMode) override;
    int exec() override;
    bool anyInUse() const override;

    SearchDevice &searchDevice() { return *m_searchDevice; }
    CamPair &camPair() { return *m_camPair; }

private:
    IniFile &m_settings;
    const SignedInAccount &m_account;
    std::unique_ptr<TrayPrompts> m_prompts;
    std::unique_ptr<CamPair> m_camPair;
    std::unique_ptr<AddDevice> m_addDevice;
    std::unique_ptr<SearchDevice> m_searchDevice;
};
