// Shots of the pairing dialog: the four row views at once, and the settings
// page while HDR can be switched and while the camera streams live.
#include "campair/campair.h"
#include "menu/trayprompts.h"
#include "shots.h"

namespace {

// The shots click nothing: no question is ever asked.
class NoTrayPrompts : public TrayPrompts {
public:
    bool confirm(const QString &, const QString &, const QString &, const QString &) override {
        return false;
    }
    void notify(const QString &, const QString &, const QString &) override {}
};

const QString macA = QStringLiteral("Torvi_6A21C0");
const QString macB = QStringLiteral("Torvi_77B310");

void settingsShot(const QString &name, bool switchable, bool removable) {
    addShot(name, [=](ShotContext &shot) {
        NoTrayPrompts prompts;
        CamPair dialog(prompts);
        dialog.setHDRState(true, switchable);
        dialog.showSettings(macA, QStringLiteral("Torvi Camera 0525"), removable);
        shot.capture(&dialog);
    });
}

} // namespace

void registerCamPairShots() {
    // Free, own (remove), another camera's (switch) and in use, top to bottom.
    addShot(QStringLiteral("campair_rows"), [](ShotContext &shot) {
        NoTrayPrompts prompts;
        CamPair dialog(prompts);
        const QString nameA = QStringLiteral("Torvi Camera 0525");
        dialog.setCamStatus(VCamera2, Paired, macA, nameA);
        dialog.setCamStatus(VCamera3, Paired, macB, QStringLiteral("Torvi Camera 0611"));
        dialog.setCamStatus(VCamera4, Paired, macA, nameA);
        dialog.onSyncCamStatus(VCamera4, true);
        dialog.showPairing(macA, nameA);
        shot.capture(&dialog);
    });
    settingsShot(QStringLiteral("campair_settings"), true, true);
    settingsShot(QStringLiteral("campair_settings_live"), false, false);
}
