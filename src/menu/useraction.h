// userAction: one entry of the pop-up menu: a text that lights up its frame
// and shows a mark while the mouse is over it, and emits clicked() on a mouse
// press. Owned by the menu's form; GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class userAction;
}

class userAction : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit userAction(QWidget *parent = nullptr);
    ~userAction() override;

    QString text() const;
    void setText(const QString &text);
    bool isHovered() const { return m_hovered; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void setHovered(bool hovered);

    std::unique_ptr<Ui::userAction> ui;
    bool m_hovered = false;
};
