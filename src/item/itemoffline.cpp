#include "item/itemoffline.h"

#include "custom/lineedit.h"
#include "ui_itemoffline.h"

itemOffline::itemOffline(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::itemOffline>()) {
    ui->setupUi(this);
    m_info.name = ui->deviceName->text();
    ui->deviceName->setName(m_info.name);
    for (int i = 0; i < frameCount; ++i)
        m_frames.append(QPixmap(QStringLiteral(":/loading/connecting/refresh_000%1.png")
                                    .arg(i, 2, 10, QLatin1Char('0'))));
    ui->imgConnecting->setPixmap(m_frames.first());
    m_animation.setInterval(frameMs);
    connect(&m_animation, &QTimer::timeout, this, &itemOffline::onLoadingTimeout);

    connect(ui->btnReconnect, &QPushButton::clicked, this, &itemOffline::onReconnect);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &itemOffline::sigRefresh);
    connect(ui->btnOptions, &QPushButton::clicked, this,
            [this] { emit sigClickOption(m_info.mac); });
    connect(ui->deviceName, &LineEdit::sigTextChange, this, [this](const QString &name) {
        m_info.name = name;
        emit modifyName(m_info.mac, name);
    });
    showState();
}

itemOffline::~itemOffline() = default;

void itemOffline::setDeviceInfo(const DeviceBaseInfo_t &dev) {
    m_info = dev;
    ui->deviceName->setName(m_info.name);
    ui->deviceIP->setText(QStringLiteral("IP:") + m_info.ip);
    showState();
}

void itemOffline::setNumber(int number) {
    ui->numLabel->setText(QString::number(number));
}

// The card looks connecting at once; the controller's answer replaces the record later.
void itemOffline::onReconnect() {
    emit sigReconnect(m_info.mac);
    m_info.connectState = Connecting;
    showState();
}

void itemOffline::onLoadingTimeout() {
    m_frame = (m_frame + 1) % frameCount;
    ui->imgConnecting->setPixmap(m_frames.at(m_frame));
}

void itemOffline::showState() {
    switch (m_info.connectState) {
    case Connecting:
        ui->stackedWidget->setCurrentWidget(ui->pageConnect);
        if (!m_animation.isActive())
            m_animation.start();
        return;
    case Abnormal:
        ui->stackedWidget->setCurrentWidget(ui->pageConnectFaild);
        break;
    default:
        ui->stackedWidget->setCurrentWidget(ui->pageNoConnect);
        break;
    }
    m_animation.stop();
}

void itemOffline::changeEvent(QEvent *event) {
    // Name, address and number are not translated: retranslating leaves them as they are.
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
