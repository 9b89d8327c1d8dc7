#include "custom/msgbox.h"

#include "log/logline.h"
#include "ui_msgbox.h"

#include <QEvent>

namespace {
constexpr int boxWidth = 360;
constexpr int widestBox = 520; // for buttons with long texts
} // namespace

int MsgBox::ask(QWidget *parent, const QString &title, const QString &text,
                const QStringList &buttons) {
    MsgBox box(parent);
    box.setContent(title, text, buttons);
    box.exec();
    return box.choice();
}

MsgBox::MsgBox(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::MsgBox>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setModal(true);
    setFixedWidth(boxWidth);

    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnOne, &QPushButton::clicked, this, [this] { choose(0); });
    connect(ui->btnLeft, &QPushButton::clicked, this, [this] { choose(0); });
    connect(ui->btnRight, &QPushButton::clicked, this, [this] { choose(1); });
}

MsgBox::~MsgBox() = default;

void MsgBox::setContent(const QString &title, const QString &text, const QStringList &buttons) {
    ui->title->setText(title);
    ui->context->setText(text);
    ui->context->setVisible(!text.isEmpty());
    if (buttons.size() > 2)
        LOG_ERROR << "message box shows only two of" << buttons.size() << "buttons:" << title;
    if (buttons.size() >= 2) {
        ui->btnLeft->setText(buttons.at(0));
        ui->btnRight->setText(buttons.at(1));
        ui->stackedWidget->setCurrentWidget(ui->pageTwo);
        ui->btnRight->setDefault(true);
    } else {
        ui->btnOne->setText(buttons.isEmpty() ? tr("确定") : buttons.at(0));
        ui->stackedWidget->setCurrentWidget(ui->pageOne);
        ui->btnOne->setDefault(true);
    }
    fitHeight();
}

void MsgBox::choose(int index) {
    m_choice = index;
    accept();
}

// The box widens for long button texts, then the wrapped texts decide its height.
void MsgBox::fitHeight() {
    ensurePolished();
    QLayout *buttons = ui->stackedWidget->currentWidget()->layout();
    const QMargins inFrame = ui->frameLayout->contentsMargins() + ui->frame->contentsMargins();
    const int besideButtons = inFrame.left() + inFrame.right();
    const int width = qBound(boxWidth, buttons->sizeHint().width() + besideButtons, widestBox);
    setFixedWidth(width);
    layout()->activate();
    setFixedHeight(layout()->totalHeightForWidth(width));
}

void MsgBox::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
