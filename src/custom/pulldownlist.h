// PullDownList: a text with a down chevron that opens a list of entries below
// itself on a click. Choosing an entry closes the list and emits clicked()
// with its index; the owner decides what the box then shows (setText), so a
// choice that cannot be applied leaves it unchanged. Owned by its parent
// window; GUI thread only.
#pragma once

#include <memory>
#include <QStringList>
#include <QWidget>

class QVBoxLayout;

namespace Ui {
class PullDownList;
}

class PullDownList : public QWidget {
    Q_OBJECT
public:
    explicit PullDownList(QWidget *parent = nullptr);
    ~PullDownList() override;

    QString text() const;
    void setText(const QString &text);
    QStringList items() const { return m_items; }
    void setItems(const QStringList &items);

    // The list of entries (a pop-up window), open or not.
    QWidget *popup() const;
    void showPopup();

signals:
    void clicked(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void choose(int index);
    void rebuildEntries();

    std::unique_ptr<Ui::PullDownList> ui;
    QWidget *m_popup;
    QVBoxLayout *m_popupLayout;
    QStringList m_items;
};
