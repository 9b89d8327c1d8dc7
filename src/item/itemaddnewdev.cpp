#include "item/itemaddnewdev.h"

#include "ui_itemaddnewdev.h"

#include <QEvent>

itemAddNewDev::itemAddNewDev(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::itemAddNewDev>()) {
    ui->setupUi(this);
    connect(ui->btnAdd, &QPushButton::clicked, this, &itemAddNewDev::onAddDevice);
}

itemAddNewDev::~itemAddNewDev() = default;

void itemAddNewDev::setTexts(const QString &label, const QString &button) {
    ui->label->setText(label);
    ui->btnAdd->setText(button);
    m_ownTexts = true;
}

void itemAddNewDev::onAddDevice() {
    emit addMoreDevice();
}

void itemAddNewDev::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        // The owner may have set its texts before this card hears of the change.
        const QString label = ui->label->text();
        const QString button = ui->btnAdd->text();
        ui->retranslateUi(this);
        if (m_ownTexts) {
            ui->label->setText(label);
            ui->btnAdd->setText(button);
        }
    }
    QWidget::changeEvent(event);
}
