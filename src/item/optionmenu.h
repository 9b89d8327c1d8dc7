// OptionMenu: the small pop-up of a camera card's option button with the one
// entry that removes the camera. It closes on any click outside it. Owned by
// whoever shows it; GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class OptionMenu;
}

class OptionMenu : public QWidget {
    Q_OBJECT
public:
    explicit OptionMenu(QWidget *parent = nullptr);
    ~OptionMenu() override;

    // Shows the menu with its top-right corner at a global position (under the option button).
    void popupAt(const QPoint &globalTopRight);

signals:
    void remove();

public slots:
    void onRemove();

protected:
    void changeEvent(QEvent *event) override;

private:
    std::unique_ptr<Ui::OptionMenu> ui;
};
