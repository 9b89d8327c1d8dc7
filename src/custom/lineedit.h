// LineEdit: a camera-name field. It remembers the name it shows; when the user
// finishes editing, an empty field gets the name back, an unchanged name just
// drops the focus, and a new name is remembered and announced. GUI thread only.
#pragma once

#include <QLineEdit>

class LineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LineEdit(QWidget *parent = nullptr);

    // Shows a name that came from elsewhere (no signal).
    void setName(const QString &name);
    QString name() const { return m_name; }

signals:
    void sigTextChange(QString name);

private:
    void onEditingFinished();

    QString m_name;
};
