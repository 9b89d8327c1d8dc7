// TrayMsgBoxPrompts: the tray windows' questions and notices answered by the
// user through the tray message box, without a countdown. GUI thread only.
#pragma once

#include "menu/trayprompts.h"

class TrayMsgBoxPrompts : public TrayPrompts {
public:
    bool confirm(const QString &title, const QString &text, const QString &confirmText,
                 const QString &cancelText) override;
    void notify(const QString &title, const QString &text, const QString &buttonText) override;
};
