#include "item/itemnewdev.h"

#include "ui_itemnewdev.h"

#include <QEvent>

itemNewDev::itemNewDev(const QString &mac, const QString &name, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::itemNewDev>()), m_mac(mac), m_name(name) {
    ui->setupUi(this);
    ui->devTitle->installEventFilter(this);
    connect(ui->btnConnect, &QPushButton::clicked, this, [this] { emit connectDevice(m_mac); });
    showName();
}

itemNewDev::~itemNewDev() = default;

void itemNewDev::setName(const QString &name) {
    m_name = name;
    showName();
}

// Long camera names end in an ellipsis so the connect button keeps its place;
// the whole name stays in the tooltip.
void itemNewDev::showName() {
    const QString name = m_name.isEmpty() ? tr("设备名称") : m_name;
    const int room = ui->devTitle->width();
    const QFontMetrics metrics(ui->devTitle->font());
    const QString shown = room > 0 ? metrics.elidedText(name, Qt::ElideRight, room) : name;
    ui->devTitle->setText(shown);
    ui->devTitle->setToolTip(shown == name ? QString() : name);
}

bool itemNewDev::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->devTitle && event->type() == QEvent::Resize)
        showName();
    return QWidget::eventFilter(watched, event);
}

void itemNewDev::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showName();
    }
    QWidget::changeEvent(event);
}
