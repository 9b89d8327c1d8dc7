// PairingSlots: what a camera card needs of the pairing dialog: to show its
// slot states there, to open the dialog for its camera, and to know whether
// the dialog is open (a card does not enter its edit mode then). CamPair
// implements it; card tests use a stand-in. GUI thread only.
#pragma once

#include "vcam/slots.h"

#include <QString>

class PairingSlots {
public:
    virtual ~PairingSlots() = default;
    // status: 0 free, 1 paired, anything else in use. False for an id outside 1-4.
    virtual bool setCamStatus(CamID_e id, int status, const QString &mac, const QString &name) = 0;
    virtual void showPairing(const QString &mac, const QString &name) = 0;
    virtual bool isPairingOpen() const = 0;
};
