#include "custom/checkbox.h"

#include "ui_checkbox.h"

#include <QMouseEvent>

namespace {
const char *const checkedStyle =
    "#btnSelect{border:0;image:url(:/img/checked.png);}#btnSelect:pressed{padding-top:2px;}";
const char *const uncheckedStyle =
    "#btnSelect{border:0;image:url(:/img/Unchecked.png);}#btnSelect:pressed{padding-top:2px;}";
} // namespace

CheckBox::CheckBox(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::CheckBox>()) {
    ui->setupUi(this);
    setCursor(Qt::PointingHandCursor);
    connect(ui->btnSelect, &QPushButton::clicked, this, &CheckBox::toggle);
    setChecked(false);
}

CheckBox::~CheckBox() = default;

void CheckBox::setChecked(bool checked) {
    m_checked = checked;
    ui->btnSelect->setStyleSheet(QLatin1String(checked ? checkedStyle : uncheckedStyle));
}

QString CheckBox::text() const {
    return ui->label->text();
}

void CheckBox::setText(const QString &text) {
    ui->label->setText(text);
}

// The text is part of the box: a press on it counts like one on the mark.
void CheckBox::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        toggle();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CheckBox::toggle() {
    setChecked(!m_checked);
    emit clicked(m_checked);
}
