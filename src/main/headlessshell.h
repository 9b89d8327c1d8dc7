// HeadlessShell: the parts the run loop drives, for a KestraLive that has no
// windows yet. It signs nobody in, registers nothing and shows nothing; it
// keeps the process running on the event loop until it is asked to quit, so
// that the program's start-up, settings and log can be exercised end to end.
// As a chooser it says it cannot register, so the first-run choice and a
// pending mode switch stay in the settings for the real chooser. Each later
// window replaces the matching part. GUI thread only.
#pragma once

#include "main/startupparts.h"

class HeadlessShell : public SignInSide,
                      public WorkModeChooser,
                      public AudioBridge,
                      public TrayHost {
public:
    bool runModal() override;
    void quit() override;
    void signOut() override;
    void resetPage() override;
    void startInstaller() override;

    bool canRegister() const override { return false; }
    bool registerSingleMode() override;
    bool registerMultiMode() override;

    void start() override;
    void stop() override;

    std::unique_ptr<TrayPass> createPass(int workMode) override;
    int exec() override;
};
