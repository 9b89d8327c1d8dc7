// HeadlessShell: the parts the run loop drives, for a KestraLive that has no
// windows yet. It signs nobody in, registers nothing and shows nothing; it
// keeps the process running on the event loop until it is asked to quit, so
// that the program's start-up, settings and log can be exercised end to end.
// Each later window replaces the matching part. GUI thread only.
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

    bool registerSingleMode() override;
    bool registerMultiMode() override;

    void start() override;
    void stop() override;

    std::unique_ptr<TrayPass> createPass(int workMode) override;
    int exec() override;
};
