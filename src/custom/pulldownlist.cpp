#include "custom/pulldownlist.h"

#include "ui_pulldownlist.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int entryHeight = 36;
constexpr int popupGap = 4;

const char *const popupStyle =
    "#popupFrame{background:#FFFFFF;border:1px solid rgba(13,13,16,0.12);border-radius:8px;}"
    "#pullDownPopup QPushButton{border:0;border-radius:4px;text-align:left;padding:0 8px;"
    "font-size:14px;color:rgba(13,13,16,0.85);background:transparent;}"
    "#pullDownPopup QPushButton:hover{background:rgba(13,13,16,0.06);}"
    "#pullDownPopup QPushButton[current=\"true\"]{color:#1F71FF;font-weight:500;}";
} // namespace

PullDownList::PullDownList(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::PullDownList>()) {
    ui->setupUi(this);
    setCursor(Qt::PointingHandCursor);

    // Its own frameless window, so that it may reach past the owner's edges; a Qt::Popup
    // closes by itself on a click elsewhere. The rounded body is a frame inside a transparent
    // window, as on every frameless window.
    m_popup = new QWidget(this, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    m_popup->setObjectName(QStringLiteral("pullDownPopup"));
    m_popup->setAttribute(Qt::WA_TranslucentBackground);
    m_popup->setStyleSheet(QLatin1String(popupStyle));
    auto *outer = new QVBoxLayout(m_popup);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *body = new QFrame(m_popup);
    body->setObjectName(QStringLiteral("popupFrame"));
    outer->addWidget(body);
    m_popupLayout = new QVBoxLayout(body);
    m_popupLayout->setContentsMargins(4, 4, 4, 4);
    m_popupLayout->setSpacing(0);
}

PullDownList::~PullDownList() = default;

QString PullDownList::text() const {
    return ui->labelText->text();
}

void PullDownList::setText(const QString &text) {
    ui->labelText->setText(text);
}

void PullDownList::setItems(const QStringList &items) {
    m_items = items;
    rebuildEntries();
}

QWidget *PullDownList::popup() const {
    return m_popup;
}

void PullDownList::rebuildEntries() {
    while (QLayoutItem *item = m_popupLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < m_items.size(); ++i) {
        auto *entry = new QPushButton(m_items.at(i), m_popupLayout->parentWidget());
        entry->setObjectName(QStringLiteral("item%1").arg(i));
        entry->setFixedHeight(entryHeight);
        entry->setCursor(Qt::PointingHandCursor);
        entry->setFocusPolicy(Qt::NoFocus);
        connect(entry, &QPushButton::clicked, this, [this, i] { choose(i); });
        m_popupLayout->addWidget(entry);
    }
}

void PullDownList::showPopup() {
    if (m_items.isEmpty())
        return;
    // The entry that the box shows now stands out.
    for (auto *entry : m_popup->findChildren<QPushButton *>()) {
        entry->setProperty("current", entry->text() == text());
        entry->style()->unpolish(entry);
        entry->style()->polish(entry);
    }
    m_popup->setFixedWidth(width());
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height() + popupGap)));
    m_popup->show();
}

void PullDownList::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        showPopup();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PullDownList::choose(int index) {
    m_popup->hide();
    emit clicked(index);
}
