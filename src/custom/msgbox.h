// MsgBox: the program's message box: a frameless rounded card with a title, a
// wrapped text and one or two buttons (a single yellow one, or a grey one left
// of a yellow one). Modal; GUI thread only.
#pragma once

#include <memory>
#include <QDialog>
#include <QStringList>

namespace Ui {
class MsgBox;
}

class MsgBox : public QDialog {
    Q_OBJECT
public:
    // Shows the box over parent until a button or the close button is pressed.
    // buttons are the texts left to right (one or two; none gives "确定");
    // returns the index of the button pressed in that order, -1 when closed.
    static int ask(QWidget *parent, const QString &title, const QString &text,
                   const QStringList &buttons);

    explicit MsgBox(QWidget *parent = nullptr);
    ~MsgBox() override;

    void setContent(const QString &title, const QString &text, const QStringList &buttons);
    // The index of the button pressed, -1 until one is.
    int choice() const { return m_choice; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void choose(int index);
    void fitHeight();

    std::unique_ptr<Ui::MsgBox> ui;
    int m_choice = -1;
};
