// The windows and cards that find and add cameras, on the real widgets
// (offscreen): the add-device window's list and height, the search window's
// pages and animation, the cards' buttons and the transient hint.
#include "custom/hintwindow.h"
#include "item/itemaddnewdev.h"
#include "item/itemnewdev.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {


QPushButton *button(QWidget *window, const char *name) {
    return window->findChild<QPushButton *>(QString::fromLatin1(name));
}

QString labelText(QWidget *window, const char *name) {
    return window->findChild<QLabel *>(QString::fromLatin1(name))->text();
}

void retranslate(QWidget *widget) {
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(widget, &change);
}

// As a label shows it: through a pixmap.
QImage frameImage(const QString &path) {
    return QPixmap(path).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage shownImage(QWidget *window, const char *label) {
    return window->findChild<QLabel *>(QString::fromLatin1(label))
        ->pixmap()
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

itemNewDev *cardOf(AddDevice &window, const QString &mac) {
    for (itemNewDev *card : window.findChildren<itemNewDev *>())
        if (card->mac() == mac)
            return card;
    return nullptr;
}

TEST(AddDeviceWindow, ListIsAsHighAsItsRowsUpToTheCapAndTheWindowFollows) {
    AddDevice window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.listHeight(), AddDevice::emptyListHeight);
    const int emptyWindow = window.height();

    ASSERT_TRUE(window.addDevice("Torvi_A", "Torvi Camera A"));
    const int row = window.listHeight();
    EXPECT_EQ(row, itemNewDev("x", "x").height() + AddDevice::rowSpacing);
    EXPECT_EQ(window.height(), emptyWindow - AddDevice::emptyListHeight + row);

    EXPECT_FALSE(window.addDevice("Torvi_A", "again")) << "one card per camera";
    EXPECT_EQ(window.count(), 1);

    for (const char *mac : {"Torvi_B", "Torvi_C", "Torvi_D", "Torvi_E"})
        ASSERT_TRUE(window.addDevice(mac, mac));
    EXPECT_EQ(window.listHeight(), 5 * row);
    ASSERT_TRUE(window.addDevice("Torvi_F", "Torvi_F"));
    EXPECT_EQ(window.listHeight(), AddDevice::maxListHeight) << "six rows scroll";
    const int tallest = window.height();
    ASSERT_TRUE(window.addDevice("Torvi_G", "Torvi_G"));
    EXPECT_EQ(window.height(), tallest);

    EXPECT_TRUE(window.removeDevice("Torvi_C"));
    EXPECT_FALSE(window.removeDevice("Torvi_C"));
    EXPECT_FALSE(window.contains("Torvi_C"));
    EXPECT_EQ(window.count(), 6);
    EXPECT_TRUE(window.removeDevice("Torvi_D"));
    EXPECT_EQ(window.listHeight(), 5 * row);

    window.clear();
    EXPECT_EQ(window.count(), 0);
    EXPECT_EQ(window.listHeight(), AddDevice::emptyListHeight);
    EXPECT_EQ(window.height(), emptyWindow);
    EXPECT_TRUE(window.addDevice("Torvi_A", "back after clearing"));
}

TEST(AddDeviceWindow, ConnectingACardTakesItOutAndNamesTheCamera) {
    AddDevice window;
    QSignalSpy connects(&window, &AddDevice::sigConnectDevice);
    QSignalSpy refreshes(&window, &AddDevice::sigRefresh);
    QSignalSpy notFound(&window, &AddDevice::sigNoFindDevice);
    window.addDevice("Torvi_A", "Torvi Camera A");
    window.addDevice("Torvi_B", "Torvi Camera B");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QPointer<itemNewDev> card = cardOf(window, "Torvi_B");
    ASSERT_TRUE(card);
    QTest::mouseClick(button(card, "btnConnect"), Qt::LeftButton);
    ASSERT_EQ(connects.size(), 1);
    EXPECT_EQ(connects.at(0).at(0).toString(), "Torvi_B");
    EXPECT_FALSE(window.contains("Torvi_B"));
    EXPECT_TRUE(window.contains("Torvi_A"));
    EXPECT_EQ(window.listHeight(), cardOf(window, "Torvi_A")->height() + AddDevice::rowSpacing);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(card) << "the clicked card is deleted once its click is handled";

    QTest::mouseClick(button(&window, "btnRefresh"), Qt::LeftButton);
    QTest::mouseClick(button(&window, "btnNoFindDevice"), Qt::LeftButton);
    EXPECT_EQ(refreshes.size(), 1);
    EXPECT_EQ(notFound.size(), 1);
    QTest::mouseClick(button(&window, "btnClose"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST(AddDeviceWindow, RefreshPictureTurnsOnlyWhileAScanRuns) {
    AddDevice window;
    const QImage still = frameImage(":/loading/refresh/loading_00000.png");
    ASSERT_FALSE(still.isNull());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(shownImage(&window, "imgRefresh"), still);

    window.setSearching(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownImage(&window, "imgRefresh") != still; }, 2000));
    window.setSearching(false);
    EXPECT_EQ(shownImage(&window, "imgRefresh"), still);
    QTest::qWait(150);
    EXPECT_EQ(shownImage(&window, "imgRefresh"), still);
}

TEST(SearchWindow, PagesTitlesAndOneAnimationWithAFrameCounterPerPage) {
    SearchDevice window;
    window.setVersion("1.2.0.7");
    EXPECT_EQ(labelText(&window, "versionInfo"), "当前版本：V1.2.0.7");
    EXPECT_FALSE(window.isAnimating());

    window.showSearching();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.currentPage(), SearchDevice::SearchingPage);
    EXPECT_EQ(labelText(&window, "title"), "搜寻设备");
    EXPECT_TRUE(window.isAnimating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.frame(SearchDevice::SearchingPage) >= 2; }));

    window.showNotFound();
    const int searchingFrame = window.frame(SearchDevice::SearchingPage);
    EXPECT_EQ(window.currentPage(), SearchDevice::NotFoundPage);
    EXPECT_EQ(labelText(&window, "title"), "未发现设备？");
    EXPECT_TRUE(window.isAnimating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.frame(SearchDevice::NotFoundPage) >= 1; }));
    EXPECT_EQ(window.frame(SearchDevice::SearchingPage), searchingFrame)
        << "the hidden page keeps its frame";

    // A whole turn of the not-found page brings back the frame it started from.
    const int start = window.frame(SearchDevice::NotFoundPage);
    const QImage startImage = shownImage(&window, "imgNotFound");
    for (int tick = 0; tick < SearchDevice::frameCount; ++tick)
        QMetaObject::invokeMethod(&window, "onTimeout");
    EXPECT_EQ(window.frame(SearchDevice::NotFoundPage), start);
    EXPECT_EQ(shownImage(&window, "imgNotFound"), startImage);
    EXPECT_LT(window.frame(SearchDevice::NotFoundPage), SearchDevice::frameCount);

    // A language change re-sets what the form does not know: the page's title and the version.
    retranslate(&window);
    EXPECT_EQ(labelText(&window, "title"), "未发现设备？");
    EXPECT_EQ(labelText(&window, "versionInfo"), "当前版本：V1.2.0.7");
}

TEST(SearchWindow, ButtonsAndClosingStopTheAnimation) {
    SearchDevice window;
    QSignalSpy refreshes(&window, &SearchDevice::sigRefresh);
    QSignalSpy updates(&window, &SearchDevice::sigCheckUpdate);
    QSignalSpy closes(&window, &SearchDevice::sigClose);
    window.showNotFound();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(button(&window, "btnResearch"), Qt::LeftButton);
    QTest::mouseClick(button(&window, "btnCheckUpdate"), Qt::LeftButton);
    EXPECT_EQ(refreshes.size(), 1);
    EXPECT_EQ(updates.size(), 1);

    QTest::mouseClick(button(&window, "btnClose"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closes.size(), 1);
    EXPECT_FALSE(window.isAnimating());

    // Hidden by its owner (not the close button): quiet, but the animation stops too.
    window.showSearching();
    EXPECT_TRUE(window.isAnimating());
    window.hide();
    EXPECT_FALSE(window.isAnimating());
    EXPECT_EQ(closes.size(), 1);
}

TEST(Cards, ButtonsReportTheirCameraAndOwnTextsSurviveALanguageChange) {
    itemNewDev card("Torvi_7F", "Torvi Camera 7F");
    QSignalSpy connects(&card, &itemNewDev::connectDevice);
    card.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
    EXPECT_EQ(labelText(&card, "devTitle"), "Torvi Camera 7F");
    QTest::mouseClick(button(&card, "btnConnect"), Qt::LeftButton);
    ASSERT_EQ(connects.size(), 1);
    EXPECT_EQ(connects.at(0).at(0).toString(), "Torvi_7F");

    // A name too long for the card ends in an ellipsis and shows whole as a tooltip.
    const QString longName(60, QLatin1Char('W'));
    card.setName(longName);
    auto *title = card.findChild<QLabel *>("devTitle");
    EXPECT_TRUE(title->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(title->toolTip(), longName);
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->width());

    itemAddNewDev add;
    QSignalSpy adds(&add, &itemAddNewDev::addMoreDevice);
    QTest::mouseClick(button(&add, "btnAdd"), Qt::LeftButton);
    EXPECT_EQ(adds.size(), 1);
    add.setTexts("切换其他设备", "切换");
    retranslate(&add);
    EXPECT_EQ(labelText(&add, "label"), "切换其他设备");
    EXPECT_EQ(button(&add, "btnAdd")->text(), "切换");
}

TEST(Hint, ShowsCentredInItsParentAndHidesAfterItsTime) {
    QWidget window;
    window.resize(360, 300);
    HintWindow hint(&window);
    hint.move(0, 56);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(hint.isVisible());

    hint.showHint("登录成功", 300);
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.text(), "登录成功");
    EXPECT_EQ(hint.y(), 56);
    EXPECT_NEAR(hint.x() + hint.width() / 2, 180, 1);
    auto *pill = hint.findChild<QWidget *>("frame_2");
    EXPECT_TRUE(hint.rect().contains(pill->geometry())) << "the pill shows whole";
    EXPECT_GE(pill->width(), hint.findChild<QLabel *>("textLabel")->sizeHint().width());

    // A second hint restarts the time.
    QTest::qWait(200);
    hint.showHint("登录成功", 300);
    QTest::qWait(200);
    EXPECT_TRUE(hint.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hint.isVisible(); }, 1000));
}

} // namespace
