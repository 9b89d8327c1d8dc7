#include "menu/traymsgboxprompts.h"

#include "menu/traymsgbox.h"

bool TrayMsgBoxPrompts::confirm(const QString &title, const QString &text,
                                const QString &confirmText, const QString &cancelText) {
    trayMsgBox *box = trayMsgBox::getInstance();
    box->setTitle(title);
    box->setText(text);
    box->setConfirmText(confirmText);
    box->setCancelText(cancelText);
    box->setDoubleButton(0);
    return box->exec() != 0;
}

void TrayMsgBoxPrompts::notify(const QString &title, const QString &text,
                               const QString &buttonText) {
    trayMsgBox *box = trayMsgBox::getInstance();
    box->setTitle(title);
    box->setText(text);
    box->setSingleText(buttonText);
    box->setSingleButton(0);
    box->exec();
}
