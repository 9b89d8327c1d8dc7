// RunLoop: KestraLive's outer loop from sign-in to exit. It signs the user in,
// lets a first-time user choose the work mode, re-registers the filter when a
// mode switch is pending, runs tray passes, and turns each event-loop exit
// code into the next step. GUI thread only.
#pragma once

#include "main/startupparts.h"

class IniFile;

class RunLoop {
public:
    RunLoop(IniFile &settings, SignInSide &signIn, WorkModeChooser &chooser, AudioBridge &audio,
            TrayHost &tray);

    // Returns the process exit code: -1 when sign-in or the first-run
    // registration fails, otherwise the last event-loop exit code.
    int run();

private:
    int runPasses();
    bool signIn();
    void applyPendingModeSwitch();

    IniFile &m_settings;
    SignInSide &m_signIn;
    WorkModeChooser &m_chooser;
    AudioBridge &m_audio;
    TrayHost &m_tray;
    bool m_audioStarted = false;
};
