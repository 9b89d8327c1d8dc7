#include "custom/lineedit.h"

LineEdit::LineEdit(QWidget *parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::editingFinished, this, &LineEdit::onEditingFinished);
}

void LineEdit::setName(const QString &name) {
    m_name = name;
    setText(name);
    setCursorPosition(0);
}

void LineEdit::onEditingFinished() {
    const QString edited = text().trimmed();
    if (edited.isEmpty() || edited == m_name) {
        setName(m_name);
        clearFocus();
        return;
    }
    m_name = edited;
    setText(edited);
    clearFocus();
    emit sigTextChange(edited);
}
