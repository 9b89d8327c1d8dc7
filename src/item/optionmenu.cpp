#include "item/optionmenu.h"

#include "ui_optionmenu.h"

OptionMenu::OptionMenu(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::OptionMenu>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(ui->btnRemove, &QPushButton::clicked, this, &OptionMenu::onRemove);
}

OptionMenu::~OptionMenu() = default;

void OptionMenu::popupAt(const QPoint &globalTopRight) {
    move(globalTopRight.x() - width() + 1, globalTopRight.y());
    show();
    activateWindow();
    raise();
}

void OptionMenu::onRemove() {
    hide();
    emit remove();
}

void OptionMenu::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
