#include "tarywidget/searchdevice.h"

#include "custom/windowplacement.h"
#include "ui_searchdevice.h"

#include <QEvent>
#include <QShowEvent>

namespace {
constexpr int frameIntervalMs = 50;
} // namespace

SearchDevice::SearchDevice(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::SearchDevice>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    new DragByHandle(this, ui->headFrame);

    for (int frame = 0; frame < frameCount; ++frame)
        m_pictures.append(QPixmap(
            QStringLiteral(":/loading/search/wifi_000%1.png").arg(frame, 2, 10, QLatin1Char('0'))));
    ui->imgSearching->setPixmap(m_pictures.first());
    ui->imgNotFound->setPixmap(m_pictures.first());
    m_timer.setInterval(frameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SearchDevice::onTimeout);

    connect(ui->btnClose, &QPushButton::clicked, this, [this] {
        hide();
        emit sigClose();
    });
    connect(ui->btnResearch, &QPushButton::clicked, this, &SearchDevice::sigRefresh);
    connect(ui->btnCheckUpdate, &QPushButton::clicked, this, &SearchDevice::sigCheckUpdate);
    showTexts();
}

SearchDevice::~SearchDevice() = default;

void SearchDevice::showSearching() {
    present(SearchingPage);
}

void SearchDevice::showNotFound() {
    present(NotFoundPage);
}

void SearchDevice::present(Page page) {
    ui->stackedWidget->setCurrentIndex(page);
    showTexts();
    if (!m_timer.isActive())
        m_timer.start();
    show();
    activateWindow();
    raise();
}

void SearchDevice::setVersion(const QString &version) {
    m_version = version;
    showTexts();
}

int SearchDevice::currentPage() const {
    return ui->stackedWidget->currentIndex();
}

// The texts that code sets: the title follows the page.
void SearchDevice::showTexts() {
    ui->title->setText(currentPage() == NotFoundPage ? tr("未发现设备？") : tr("搜寻设备"));
    ui->versionInfo->setText(tr("当前版本：") + QStringLiteral("V") + m_version);
}

QLabel *SearchDevice::pictureOf(Page page) const {
    return page == NotFoundPage ? ui->imgNotFound : ui->imgSearching;
}

void SearchDevice::onTimeout() {
    const auto page = static_cast<Page>(currentPage());
    int &frame = m_frames[page];
    frame = (frame + 1) % frameCount;
    pictureOf(page)->setPixmap(m_pictures.at(frame));
}

void SearchDevice::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        centreInAvailableArea(this);
}

void SearchDevice::hideEvent(QHideEvent *event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void SearchDevice::changeEvent(QEvent *event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showTexts();
    }
    QWidget::changeEvent(event);
}
