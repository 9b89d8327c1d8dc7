// TrayPrompts: the modal questions and notices of the tray windows (pairing
// dialog, main window). The program answers them with the tray message box;
// tests answer them with a script. GUI thread only.
#pragma once

#include <QString>

class TrayPrompts {
public:
    virtual ~TrayPrompts() = default;
    // Two buttons; true when the user confirms.
    virtual bool confirm(const QString &title, const QString &text, const QString &confirmText,
                         const QString &cancelText) = 0;
    // One button; returns when the user has seen it.
    virtual void notify(const QString &title, const QString &text, const QString &buttonText) = 0;
};
