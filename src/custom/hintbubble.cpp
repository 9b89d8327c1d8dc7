#include "custom/hintbubble.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int sideMargin = 24; // kept free between the bubble and the parent's edges
constexpr int padX = 16;
constexpr int padY = 10;
constexpr int iconSize = 20;
constexpr int gap = 8;
} // namespace

HintBubble::HintBubble(QWidget *parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_text(new QLabel(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_icon->setPixmap(QPixmap(QStringLiteral(":/img/loginVerifyError.png")));
    m_icon->setFixedSize(iconSize, iconSize);
    m_text->setObjectName(QStringLiteral("hintText"));
    // Transparent whatever the window's style sheet gives its labels.
    m_icon->setStyleSheet(QStringLiteral("background:transparent;"));
    m_text->setStyleSheet(
        QStringLiteral("#hintText{color:#FFFFFF;font-size:14px;background:transparent;}"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(padX, padY, padX, padY);
    row->setSpacing(gap);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
    // The icon sits on the first line of text.
    row->setAlignment(m_icon, Qt::AlignTop);

    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(showMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void HintBubble::showHint(const QString &text) {
    m_text->setText(text);
    place();
    show();
    raise();
    m_hideTimer.start();
}

QString HintBubble::text() const {
    return m_text->text();
}

void HintBubble::setTop(int y) {
    m_top = y;
    if (isVisible())
        place();
}

void HintBubble::place() {
    m_text->ensurePolished();
    const int parentWidth = parentWidget()->width();
    const int maxTextWidth = qMax(40, parentWidth - 2 * sideMargin - 2 * padX - iconSize - gap);
    const QFontMetrics metrics(m_text->font());
    const int oneLine = metrics.horizontalAdvance(m_text->text()) + 1;
    const int textWidth = qMin(oneLine, maxTextWidth);
    const int textHeight = qMax(iconSize, m_text->heightForWidth(textWidth));
    const int width = textWidth + 2 * padX + iconSize + gap;
    const int height = textHeight + 2 * padY;
    setGeometry((parentWidth - width) / 2, m_top, width, height);
}

void HintBubble::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(13, 13, 16, 191));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}
