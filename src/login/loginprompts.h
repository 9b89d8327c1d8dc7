// LoginPrompts: the modal questions the sign-in window puts to the user
// (message boxes, the save dialog, the picture check). The window asks only
// through this interface, so a test can answer by script; WindowPrompts asks
// the real dialogs. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class LoginPrompts {
public:
    virtual ~LoginPrompts() = default;
    // A message box with a title, a text and one or two buttons (left to
    // right); returns the index of the button pressed, -1 when closed.
    virtual int message(const QString &title, const QString &text, const QStringList &buttons) = 0;
    // The save dialog; returns the chosen path or "" when cancelled.
    virtual QString saveFileName(const QString &title, const QString &proposedPath,
                                 const QString &filter) = 0;
    // The picture check against robots, centred over the window; true when passed.
    virtual bool passPictureCheck(QWidget *over) = 0;
};
