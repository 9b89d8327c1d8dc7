#include "item/cardname.h"

#include <QLineEdit>

QString finishNameEdit(QLineEdit *field, QString &storedName) {
    const QString text = field->text();
    QString renamed;
    if (text.trimmed().isEmpty() || text == storedName) {
        field->setText(storedName);
    } else {
        storedName = text;
        renamed = text;
    }
    field->setCursorPosition(0);
    field->clearFocus();
    return renamed;
}
