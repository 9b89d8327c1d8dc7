// KestraLiveRig: what KestraLive needs around it in a test of the whole program in the test
// LAN: a private X server, cloud-sim with the account signed in before (so the start is a
// returning user's), a config root of its own and a registry store. Tests that use it link
// kestra_core and add kestraliverig.cpp. Test thread.
#pragma once

#include "support/cloudsim.h"
#include "support/tempconfigroot.h"
#include "support/virtualdisplay.h"

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

class KestraLiveRig {
public:
    static constexpr int lanMs = 30000;

    // Starts the X server and cloud-sim, and stores the account's sign-in.
    bool setUpRig(const QString &account);
    // A user who chose workMode and connected camera (at ip) before, paired with
    // "Kestra Camera1".
    void returningUser(int workMode, const QString &camera, const QString &ip) const;

    QProcessEnvironment environment() const;
    // Every log file of the program, joined.
    QString logText() const;
    qint64 logBytes() const;
    bool waitForLog(const QString &text, int timeoutMs = lanMs, int count = 1) const;

    TempConfigRoot root;
    QTemporaryDir registry;
    CloudSim cloud;

private:
    VirtualDisplay m_display;
};
