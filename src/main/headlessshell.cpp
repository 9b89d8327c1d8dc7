#include "main/headlessshell.h"

#include "log/logline.h"

#include <QCoreApplication>

namespace {

class HeadlessPass : public TrayPass {
public:
    explicit HeadlessPass(int workMode) { LOG_NOTE << "tray pass started, work mode" << workMode; }
    ~HeadlessPass() override { LOG_NOTE << "tray pass ended"; }
    void hideAndExit() override {}
    void quitLogin() override {}
};

} // namespace

// The sign-in window's modal run (the loop never runs a chooser that cannot
// register); without windows there is nobody to sign in, so it goes on.
bool HeadlessShell::runModal() {
    LOG_NOTE << "no window to show: continuing";
    return true;
}

void HeadlessShell::quit() {}
void HeadlessShell::signOut() {}
void HeadlessShell::resetPage() {}
void HeadlessShell::startInstaller() {}

bool HeadlessShell::registerSingleMode() {
    LOG_ERROR << "filter registration is not available in this build";
    return false;
}

bool HeadlessShell::registerMultiMode() {
    return registerSingleMode();
}

void HeadlessShell::start() {}
void HeadlessShell::stop() {}

std::unique_ptr<TrayPass> HeadlessShell::createPass(int workMode) {
    return std::make_unique<HeadlessPass>(workMode);
}

int HeadlessShell::exec() {
    return QCoreApplication::exec();
}
