// The parts of KestraLive that the outer run loop drives, seen only through
// what the loop needs of them. The windows implement these; the loop's tests
// use scripted stand-ins. All of them live on the GUI thread.
#pragma once

#include <memory>

// Event-loop exit codes that the windows use as commands to the run loop.
enum ExitCode_e {
    ExitQuit = 0,
    ExitFromLogin = 527,
    ExitSignOut = 537,
    ExitInstallUpdate = 759,
    ExitSwitchMode = 773,
};

// The sign-in window; lives for the whole process.
class SignInSide {
public:
    virtual ~SignInSide() = default;
    // Runs modally; true when the user is signed in.
    virtual bool runModal() = 0;
    // Stops its timers and network activity before the program gives up.
    virtual void quit() = 0;
    // Stops its timers, clears the stored tokens and shows itself again.
    virtual void signOut() = 0;
    // Back to the first page (phone number).
    virtual void resetPage() = 0;
    // Launches the downloaded installer as a detached process.
    virtual void startInstaller() = 0;
};

// The work-mode chooser and the filter registrations; lives for the whole process.
class WorkModeChooser {
public:
    virtual ~WorkModeChooser() = default;
    // Runs modally; true when a mode was chosen and the filter registered.
    virtual bool runModal() = 0;
    virtual bool registerSingleMode() = 0;
    virtual bool registerMultiMode() = 0;
};

// The audio-source bridge; started once per process, stopped at exit.
class AudioBridge {
public:
    virtual ~AudioBridge() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};

// One pass of the tray window: the tray icon and the main controller, which
// starts all controllers when it is made and releases them when destroyed.
class TrayPass {
public:
    virtual ~TrayPass() = default;
    // Stops the workers, hides everything and ends the event loop quietly.
    virtual void hideAndExit() = 0;
    // Stops discovery, hides everything, resets the pairings and drops camera state.
    virtual void quitLogin() = 0;
};

// Makes tray passes and runs the application's event loop.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    virtual std::unique_ptr<TrayPass> createPass(int workMode) = 0;
    // Runs the event loop until a window ends it; returns the exit code.
    virtual int exec() = 0;
};
