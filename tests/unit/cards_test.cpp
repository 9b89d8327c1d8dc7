// The camera cards on the offscreen platform: the offline card's pages and
// animation, the rename rule both cards share, the online card's virtual
// camera badges (order, edit mode, moves between cards, in-use marks) against
// a stand-in pairing dialog, the log lines of rejected ids, and the colours
// the battery indicator paints.
#include "item/battery.h"
#include "item/itemoffline.h"
#include "item/itemolddev.h"
#include "item/virtualcam.h"
#include "support/logcapture.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace {

// Records what the cards ask of the pairing dialog.
class RecordingPairing : public PairingSlots {
public:
    bool setCamStatus(CamID_e id, int status, const QString &mac, const QString &name) override {
        calls << QStringLiteral("%1 %2 %3 %4").arg(int(id)).arg(status).arg(mac, name);
        return isValidCamID(id);
    }
    void showPairing(const QString &mac, const QString &name) override {
        calls << QStringLiteral("show %1 %2").arg(mac, name);
    }
    bool isPairingOpen() const override { return open; }

    QStringList calls;
    bool open = false;
};

DeviceBaseInfo_t camera(const QString &mac, ConnectState_e state = Connected) {
    DeviceBaseInfo_t dev;
    dev.mac = mac;
    dev.name = QStringLiteral("Cam of ") + mac;
    dev.ip = QStringLiteral("10.0.0.7");
    dev.connectState = state;
    return dev;
}

// The card's signals as text, in the order they came.
struct CardLog {
    explicit CardLog(itemOldDev &card) {
        QObject::connect(&card, &itemOldDev::bindCam, [this](const QString &mac, CamID_e id) {
            lines << QStringLiteral("bind %1 %2").arg(mac).arg(int(id));
        });
        QObject::connect(&card, &itemOldDev::removeCam, [this](const QString &mac, CamID_e id) {
            lines << QStringLiteral("remove %1 %2").arg(mac).arg(int(id));
        });
        QObject::connect(&card, &itemOldDev::modifyName,
                         [this](const QString &mac, const QString &name) {
                             lines << QStringLiteral("name %1 %2").arg(mac, name);
                         });
    }
    QStringList take() { return std::exchange(lines, {}); }
    QStringList lines;
};

VirtualCam *badgeAt(itemOldDev &card, int position) {
    return card.findChild<VirtualCam *>(QStringLiteral("cam%1").arg(position));
}

// What the badge row shows: "Cam<N>", "*" in use, "x" with a remove cross; "+" the add badge,
// "-" a disabled one.
QStringList badges(itemOldDev &card) {
    QStringList shown;
    for (int position = 1; position <= camIDCount; ++position) {
        VirtualCam *badge = badgeAt(card, position);
        if (badge->isHidden())
            continue;
        if (badge->isAddBadge()) {
            shown << (badge->isEnabled() ? "+" : "-");
            continue;
        }
        shown << QStringLiteral("Cam%1%2%3")
                     .arg(badge->number())
                     .arg(badge->inUse() ? "*" : "")
                     .arg(badge->removable() ? "x" : "");
    }
    return shown;
}

void clickCross(itemOldDev &card, int position) {
    badgeAt(card, position)->findChild<QPushButton *>("btn")->click();
}

void clickAdd(itemOldDev &card) {
    for (int position = 1; position <= camIDCount; ++position)
        if (VirtualCam *badge = badgeAt(card, position); badge->isAddBadge())
            QTest::mouseClick(badge, Qt::LeftButton);
}

void finishEditing(QLineEdit *field, const QString &text) {
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST(OfflineCard, ShowsThePageOfItsStateAndAnimatesOnlyWhileConnecting) {
    itemOffline card;
    auto *pages = card.findChild<QStackedWidget *>("stackedWidget");
    auto *frame = card.findChild<QLabel *>("imgConnecting");
    EXPECT_EQ(card.findChild<QLineEdit *>("deviceName")->text(), "Torvi Camera 0525");
    EXPECT_EQ(card.findChild<QLabel *>("deviceIP")->text(), "IP:192.168.0.1");
    QStringList seen;
    QObject::connect(&card, &itemOffline::sigReconnect, [&](const QString &m) { seen << m; });
    QObject::connect(&card, &itemOffline::sigClickOption, [&](const QString &m) { seen << m; });
    QObject::connect(&card, &itemOffline::sigRefresh, [&] { seen << "refresh"; });

    card.setDeviceInfo(camera("A", Connecting));
    EXPECT_EQ(pages->currentWidget()->objectName(), "pageConnect");
    EXPECT_EQ(card.findChild<QLabel *>("deviceIP")->text(), "IP:10.0.0.7");
    ASSERT_FALSE(frame->pixmap().isNull());
    const qint64 first = frame->pixmap().cacheKey();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->pixmap().cacheKey() != first; }, 500));

    card.setDeviceInfo(camera("A", Abnormal));
    EXPECT_EQ(pages->currentWidget()->objectName(), "pageConnectFaild");
    EXPECT_FALSE(card.isAnimating());
    const qint64 stopped = frame->pixmap().cacheKey();
    QTest::qWait(3 * itemOffline::frameMs);
    EXPECT_EQ(frame->pixmap().cacheKey(), stopped);

    // Reconnecting looks connecting at once.
    card.findChild<QPushButton *>("btnReconnect")->click();
    EXPECT_EQ(pages->currentWidget()->objectName(), "pageConnect");
    EXPECT_TRUE(card.isAnimating());
    EXPECT_EQ(card.deviceInfo().connectState, Connecting);

    for (ConnectState_e state : {Disconnected, Connected}) {
        card.setDeviceInfo(camera("B", state));
        EXPECT_EQ(pages->currentWidget()->objectName(), "pageNoConnect");
        EXPECT_FALSE(card.isAnimating());
    }
    card.findChild<QPushButton *>("btnRefresh")->click();
    card.findChild<QPushButton *>("btnOptions")->click();
    EXPECT_EQ(seen, QStringList({"A", "refresh", "B"}));
}

TEST(CardName, EmptyRestoresUnchangedIsQuietAndANewNameIsReportedOnce) {
    RecordingPairing pairing;
    itemOldDev online(camera("A"), pairing);
    CardLog log(online);
    auto *field = online.findChild<QLineEdit *>("deviceName");
    finishEditing(field, "");
    EXPECT_EQ(field->text(), "Cam of A");
    finishEditing(field, "Cam of A");
    EXPECT_TRUE(log.take().isEmpty());
    finishEditing(field, "Stage left");
    finishEditing(field, "Stage left");
    EXPECT_EQ(log.take(), QStringList({"name A Stage left"}));
    // The pairing dialog knows the camera by its new name.
    online.setVirtualCamStatus(VCamera1, Paired);
    EXPECT_EQ(pairing.calls.last(), "1 1 A Stage left");

    itemOffline offline;
    offline.setDeviceInfo(camera("B", Disconnected));
    QStringList names;
    QObject::connect(&offline, &itemOffline::modifyName,
                     [&](const QString &mac, const QString &name) { names << mac + " " + name; });
    auto *offlineField = offline.findChild<QLineEdit *>("deviceName");
    finishEditing(offlineField, "  ");
    EXPECT_EQ(offlineField->text(), "Cam of B");
    finishEditing(offlineField, "Desk");
    finishEditing(offlineField, "Desk");
    EXPECT_EQ(names, QStringList({"B Desk"}));
    EXPECT_EQ(offline.deviceInfo().name, "Desk");
}

TEST(OnlineCard, BadgesStayInAscendingOrderAndTheAddBadgeOpensPairing) {
    RecordingPairing pairing;
    itemOldDev card(camera("A"), pairing);
    CardLog log(card);
    EXPECT_EQ(badges(card), QStringList({"+"}));

    for (CamID_e id : {VCamera3, VCamera1, VCamera4, VCamera2})
        card.onPairVirtualCam("A", id);
    card.onPairVirtualCam("B", VCamera1); // another camera's binding
    EXPECT_EQ(badges(card), QStringList({"Cam1", "Cam2", "Cam3", "Cam4"}));
    EXPECT_EQ(log.take(), QStringList({"bind A 3", "bind A 1", "bind A 4", "bind A 2"}));

    card.onUnPairVirtualCam("A", VCamera2);
    card.onUnPairVirtualCam("B", VCamera3);
    EXPECT_EQ(badges(card), QStringList({"Cam1", "Cam3", "Cam4", "+"}));
    EXPECT_EQ(log.take(), QStringList({"remove A 2"}));

    pairing.calls.clear();
    card.setVirtualCamStatus(VCamera3, Free);
    card.setVirtualCamStatus(VCamera2, InUse);
    EXPECT_EQ(badges(card), QStringList({"Cam1", "Cam2*", "Cam4", "+"}));
    EXPECT_EQ(pairing.calls, QStringList({"3 0 A Cam of A", "2 2 A Cam of A"}));
    EXPECT_TRUE(log.take().isEmpty()); // restoring is no request to the controller

    pairing.calls.clear();
    clickAdd(card);
    EXPECT_EQ(pairing.calls, QStringList({"show A Cam of A"}));

    // In-use reports mark the badge; a report for a slot the card does not hold changes nothing.
    card.onUnpairedVirtualCam("A", VCamera2);
    card.onPairedVirtualCam("A", VCamera4);
    card.onPairedVirtualCam("A", VCamera3);
    card.onPairedVirtualCam("B", VCamera1);
    EXPECT_EQ(badges(card), QStringList({"Cam1", "Cam2", "Cam4*", "+"}));
}

TEST(OnlineCard, EditModeRemovesOnlyOnConfirmAndCancelRestores) {
    RecordingPairing pairing;
    itemOldDev card(camera("A"), pairing);
    CardLog log(card);
    card.setVirtualCamStatus(VCamera1, Paired);
    card.setVirtualCamStatus(VCamera2, Paired);
    card.setVirtualCamStatus(VCamera3, InUse);
    auto *manage = card.findChild<QPushButton *>("btnCamSetting");

    // Not while the pairing dialog is open.
    pairing.open = true;
    manage->click();
    EXPECT_FALSE(card.isEditing());
    pairing.open = false;

    manage->click();
    ASSERT_TRUE(card.isEditing());
    EXPECT_EQ(badges(card), QStringList({"Cam1x", "Cam2x", "Cam3*x", "-"}));
    pairing.calls.clear();
    clickAdd(card);
    clickCross(card, 1);
    EXPECT_EQ(badges(card), QStringList({"Cam2x", "Cam3*x", "-"}));
    card.findChild<QPushButton *>("btnCancel")->click();
    EXPECT_FALSE(card.isEditing());
    EXPECT_EQ(badges(card), QStringList({"Cam1", "Cam2", "Cam3*", "+"}));
    EXPECT_TRUE(pairing.calls.isEmpty());
    EXPECT_TRUE(log.take().isEmpty());

    // The stream stopping during edit mode brings back a cross; removals shift the row.
    manage->click();
    card.onUnpairedVirtualCam("A", VCamera3);
    EXPECT_EQ(badges(card), QStringList({"Cam1x", "Cam2x", "Cam3x", "-"}));
    clickCross(card, 2);
    clickCross(card, 1);
    EXPECT_EQ(badges(card), QStringList({"Cam3x", "-"}));
    card.findChild<QPushButton *>("btnConfirm")->click();
    EXPECT_FALSE(card.isEditing());
    EXPECT_EQ(badges(card), QStringList({"Cam3", "+"}));
    EXPECT_EQ(log.take(), QStringList({"remove A 1", "remove A 2"}));
    EXPECT_EQ(pairing.calls, QStringList({"1 0 A Cam of A", "2 0 A Cam of A"}));
    EXPECT_EQ(card.slotStatus(VCamera1), Free);
    EXPECT_EQ(card.slotStatus(VCamera3), Paired);

    // A slot bound by the pairing dialog during edit mode survives a cancel.
    manage->click();
    card.onPairVirtualCam("A", VCamera4);
    EXPECT_EQ(badges(card), QStringList({"Cam3x", "Cam4x", "-"}));
    card.onCamRemoveCancel();
    EXPECT_EQ(badges(card), QStringList({"Cam3", "Cam4", "+"}));
}

TEST(OnlineCard, AMoveBetweenTwoCardsEndsTheSameInEitherOrder) {
    for (bool sourceFirst : {true, false}) {
        RecordingPairing pairing;
        itemOldDev a(camera("A"), pairing);
        itemOldDev b(camera("B"), pairing);
        CardLog logA(a);
        CardLog logB(b);
        a.setVirtualCamStatus(VCamera2, Paired);
        b.setVirtualCamStatus(VCamera1, Paired);
        std::vector<itemOldDev *> cards{&a, &b};
        if (!sourceFirst)
            std::swap(cards[0], cards[1]);
        for (itemOldDev *card : cards)
            card->onSwitchPairVirtualCam("A", "B", VCamera2);
        EXPECT_EQ(badges(a), QStringList({"+"})) << sourceFirst;
        EXPECT_EQ(badges(b), QStringList({"Cam1", "Cam2", "+"})) << sourceFirst;
        EXPECT_EQ(logA.take(), QStringList({"remove A 2"}));
        EXPECT_EQ(logB.take(), QStringList({"bind B 2"}));
    }
}

TEST(OnlineCard, RejectsInvalidIdsWithALogLineAndNoChange) {
    RecordingPairing pairing;
    itemOldDev card(camera("A"), pairing);
    card.setVirtualCamStatus(VCamera1, Paired);
    CardLog log(card);
    LogCapture capture;
    const auto bad = static_cast<CamID_e>(5);
    const auto zero = static_cast<CamID_e>(0);
    pairing.calls.clear();
    EXPECT_FALSE(card.setVirtualCamStatus(bad, Paired));
    EXPECT_FALSE(card.bindVirtualCam(zero));
    card.onPairVirtualCam("B", bad);
    card.onUnPairVirtualCam("A", zero);
    card.onSwitchPairVirtualCam("A", "B", bad);
    card.onPairedVirtualCam("A", bad);
    card.onUnpairedVirtualCam("A", zero);
    card.onPairedVirtualCam("B", bad); // not this card's camera: no complaint
    for (const char *line :
         {"setVirtualCamStatus: camera id invalid! ", "bindVirtualCam: camera id invalid! ",
          "onPairVirtualCam: camera id invalid! ", "onUnPairVirtualCam: camera id invalid! ",
          "onSwitchPairVirtualCam: camera id invalid! ", "onPairedVirtualCam: camera id invalid! ",
          "onUnpairedVirtualCam: camera id invalid! "})
        EXPECT_TRUE(capture.hasError(line)) << line;
    EXPECT_EQ(capture.lines().filter("onPairedVirtualCam").size(), 1);
    EXPECT_EQ(badges(card), QStringList({"Cam1", "+"}));
    EXPECT_TRUE(pairing.calls.isEmpty());
    EXPECT_TRUE(log.take().isEmpty());
}

// The indicator over a white card.
QImage paint(Battery &battery) {
    QImage picture(battery.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    battery.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

bool near(QRgb pixel, int r, int g, int b) {
    return qAbs(qRed(pixel) - r) < 6 && qAbs(qGreen(pixel) - g) < 6 && qAbs(qBlue(pixel) - b) < 6;
}

TEST(Battery, PaintsGreyRedOrGreenByLevelAndCharging) {
    Battery battery;
    battery.resize(battery.sizeHint());
    battery.layout()->activate();
    auto *percent = battery.findChild<QLabel *>("percent");
    // Points of the 19 x 12 drawing: the left edge of the outline, both ends of a full fill.
    const QPoint drawing = battery.findChild<QWidget *>("frame")->pos();
    const QPoint outline = drawing + QPoint(1, 6);
    const QPoint fill = drawing + QPoint(4, 6);
    const QPoint fillEnd = drawing + QPoint(13, 6);

    battery.setLevel(100);
    QImage picture = paint(battery);
    EXPECT_TRUE(near(picture.pixel(outline), 49, 49, 49));
    EXPECT_TRUE(near(picture.pixel(fill), 110, 110, 110));
    EXPECT_TRUE(near(picture.pixel(fillEnd), 110, 110, 110));
    EXPECT_EQ(percent->text(), "100%");

    battery.setLevel(20);
    battery.setLevel(101);
    EXPECT_EQ(battery.level(), 20);
    picture = paint(battery);
    EXPECT_TRUE(near(picture.pixel(outline), 230, 46, 49));
    EXPECT_TRUE(near(picture.pixel(fill), 230, 46, 49));
    EXPECT_TRUE(near(picture.pixel(fillEnd), 255, 255, 255));
    EXPECT_EQ(percent->text(), "20%");

    battery.setCharging(true);
    picture = paint(battery);
    EXPECT_TRUE(near(picture.pixel(outline), 49, 49, 49));
    EXPECT_TRUE(near(picture.pixel(fill), 100, 187, 92));

    battery.setCharging(false);
    battery.setLevel(21);
    picture = paint(battery);
    EXPECT_TRUE(near(picture.pixel(outline), 49, 49, 49));
    EXPECT_TRUE(near(picture.pixel(fill), 110, 110, 110));
}

} // namespace
