#include "login/windowprompts.h"

#include "custom/msgbox.h"
#include "login/verifywidget.h"

#include <QFileDialog>

int WindowPrompts::message(const QString &title, const QString &text, const QStringList &buttons) {
    return MsgBox::ask(m_parent, title, text, buttons);
}

QString WindowPrompts::saveFileName(const QString &title, const QString &proposedPath,
                                    const QString &filter) {
    return QFileDialog::getSaveFileName(m_parent, title, proposedPath, filter);
}

bool WindowPrompts::passPictureCheck(QWidget *over) {
    return VerifyWidget::getInstance()->runCheck(over);
}
