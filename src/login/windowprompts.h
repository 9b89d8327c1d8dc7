// WindowPrompts: LoginPrompts answered by the real dialogs: MsgBox, the
// system's save dialog and the picture check. GUI thread only.
#pragma once

#include "login/loginprompts.h"

class WindowPrompts : public LoginPrompts {
public:
    // parent: the window the message boxes and the save dialog belong to.
    explicit WindowPrompts(QWidget *parent) : m_parent(parent) {}

    int message(const QString &title, const QString &text, const QStringList &buttons) override;
    QString saveFileName(const QString &title, const QString &proposedPath,
                         const QString &filter) override;
    bool passPictureCheck(QWidget *over) override;

private:
    QWidget *m_parent;
};
