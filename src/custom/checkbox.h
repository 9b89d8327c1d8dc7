// CheckBox: an image check mark with a text beside it, drawn with the
// program's own pictures ("checked.png"/"Unchecked.png"). A click on the mark
// or the text turns it and emits clicked() with the new state; setChecked()
// changes it quietly, for the owner's own updates. Owned by its parent window;
// GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class CheckBox;
}

class CheckBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit CheckBox(QWidget *parent = nullptr);
    ~CheckBox() override;

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);
    QString text() const;
    void setText(const QString &text);

signals:
    void clicked(bool status);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void toggle();

    std::unique_ptr<Ui::CheckBox> ui;
    bool m_checked = false;
};
