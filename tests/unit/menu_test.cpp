// The pop-up menu, the settings and about windows and the tray message box on
// the real windows (offscreen). The translations are copied beside this
// program, where the language loader looks for them.
#include "custom/languageloader.h"
#include "custom/pulldownlist.h"
#include "menu/menu.h"
#include "menu/menuabout.h"
#include "menu/menusetting.h"
#include "menu/traymsgbox.h"
#include "menu/traymsgboxprompts.h"

#include <functional>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T *child(QWidget *window, const char *name) {
    T *found = window->findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void press(QWidget *widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Opens a pull-down and picks an entry the way a user does.
void choose(PullDownList *list, int index) {
    press(list);
    ASSERT_TRUE(list->popup()->isVisible());
    auto *entry = list->popup()->findChild<QPushButton *>(QStringLiteral("item%1").arg(index));
    ASSERT_NE(entry, nullptr);
    entry->click();
    EXPECT_FALSE(list->popup()->isVisible());
}

// Runs `action` once `ready` holds, checking every 10 ms (from inside modal loops).
void when(std::function<bool()> ready, std::function<void()> action) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, ready, action] {
        if (!ready())
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start();
}

QString translationBeside(const char *name) {
    return QCoreApplication::applicationDirPath() + "/" + name;
}

void placeTranslation(const char *name) {
    QFile::remove(translationBeside(name));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(KESTRA_TRANSLATIONS_DIR "/") + name, translationBeside(name)));
}

} // namespace

TEST(Menu, HidesOnAPressElsewhereOrWhenTheMouseLeaves) {
    Menu *menu = Menu::getInstance();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(child<QWidget>(menu, "btnSetting")->property("text").toString(), "设置");
    QWidget other;
    other.resize(200, 200);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    menu->show();
    press(&other);
    EXPECT_FALSE(menu->isVisible());

    int quits = 0;
    QObject::connect(menu, &Menu::sigQuit, [&] { ++quits; });
    menu->show();
    press(child<QWidget>(menu, "btnExit"));
    EXPECT_EQ(quits, 1);

    menu->show();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(menu, &leave);
    EXPECT_FALSE(menu->isVisible());
}

TEST(AboutWindow, MasksTheAccountAndPassesItsButtonsOn) {
    Menu *menu = Menu::getInstance();
    MenuAbout *about = menu->about();
    auto *shown = child<QLabel>(about, "labelAccount");
    const struct {
        const char *account;
        const char *masked;
    } accounts[] = {
        {"13812345678", "138****5678"},
        {"abcdefgh@mail.com", "abc****h@mail.com"},
        {"abcdefg@mail.com", "abc****@mail.com"},
        {"abcdef@mail.com", "abc***@mail.com"},
        {"abcd@mail.com", "abc*@mail.com"},
        {"abc@mail.com", "abc@mail.com"},
        {"ab", "ab"},
    };
    for (const auto &a : accounts) {
        menu->setAccount(a.account);
        EXPECT_EQ(shown->text(), a.masked) << a.account;
    }

    int signOuts = 0, checks = 0;
    QObject::connect(menu, &Menu::sigQuitLogin, [&] { ++signOuts; });
    QObject::connect(menu, &Menu::sigCheckUpdate, [&] { ++checks; });
    menu->show();
    press(child<QWidget>(menu, "btnAboutAccount"));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(child<QLabel>(about, "labelTitle")->text(), "关于账号");
    child<QPushButton>(about, "btnQuitLogin")->click();
    EXPECT_EQ(signOuts, 1);

    menu->setVersion("2.3.4.5");
    menu->show();
    press(child<QWidget>(menu, "btnAboutSoftware"));
    EXPECT_EQ(child<QLabel>(about, "labelTitle")->text(), "关于Kestra");
    EXPECT_EQ(child<QLabel>(about, "version")->text(), "V2.3.4.5");
    child<QPushButton>(about, "checkUpdate")->click();
    child<QPushButton>(menu->settings(), "versionCheck")->click();
    EXPECT_EQ(checks, 2);
    menu->hideAll();
    EXPECT_FALSE(about->isVisible());
}

TEST(SettingsWindow, AChosenModeCountsOnlyWhenSaved) {
    Menu *menu = Menu::getInstance();
    MenuSetting *settings = menu->settings();
    auto *modes = child<PullDownList>(settings, "modeWidget");
    QList<WorkMode_e> requested;
    QObject::connect(menu, &Menu::sigWorkmode, [&](WorkMode_e mode) { requested.append(mode); });
    menu->setWorkMode(WORKMODE_SINGLE);

    menu->show();
    press(child<QWidget>(menu, "btnSetting"));
    ASSERT_TRUE(settings->isVisible());
    choose(modes, 1);
    EXPECT_EQ(modes->text(), "多机模式");
    child<QPushButton>(settings, "btnClose")->click();
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(modes->text(), "单机模式");
    EXPECT_EQ(settings->selectedMode(), WORKMODE_SINGLE);

    settings->show();
    choose(modes, 0);
    child<QPushButton>(settings, "btnSaveMode")->click();
    EXPECT_TRUE(requested.isEmpty());
    choose(modes, 1);
    child<QPushButton>(settings, "btnSaveMode")->click();
    EXPECT_EQ(requested, QList<WorkMode_e>{WORKMODE_MULTI});
    // Hiding from outside drops the unsaved choice too.
    menu->hideAll();
    EXPECT_EQ(modes->text(), "单机模式");

    // The tray window's own values change the boxes without echoing back.
    QList<bool> keepNewest;
    QObject::connect(menu, &Menu::sigKeepNewstVersion, [&](bool on) { keepNewest.append(on); });
    menu->setKeepNewstVersion(true);
    EXPECT_TRUE(keepNewest.isEmpty());
    press(child<QWidget>(settings, "frameKeepNewst"));
    EXPECT_EQ(keepNewest, QList<bool>{false});
}

TEST(SettingsWindow, AppliesTheLanguagesOfTheTable) {
    placeTranslation("language_zh.qm");
    placeTranslation("language_en.qm");
    Menu *menu = Menu::getInstance();
    MenuSetting *settings = menu->settings();
    auto *languages = child<PullDownList>(settings, "languageWidget");

    menu->setLanguage(LANGUAGE_ZH_TW);
    EXPECT_EQ(languages->text(), "繁体中文");
    EXPECT_TRUE(installedTranslationFile().endsWith("/language_zh.qm"));
    menu->setLanguage(8);
    EXPECT_EQ(settings->language(), LANGUAGE_ZH_TW);
    EXPECT_EQ(languages->text(), "繁体中文");

    QList<languageMode_e> stored;
    QObject::connect(menu, &Menu::sigLanguage, [&](languageMode_e l) { stored.append(l); });
    settings->show();
    choose(languages, 1);
    EXPECT_EQ(stored, QList<languageMode_e>{LANGUAGE_EN});
    EXPECT_TRUE(installedTranslationFile().endsWith("/language_en.qm"));
    EXPECT_EQ(languages->text(), "English");
    // Every window hears of it; the texts are whatever the English file says.
    auto *entry = child<QWidget>(menu, "btnSetting");
    const QString english = QCoreApplication::translate("Menu", "设置");
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry->property("text").toString() == english; }));
    EXPECT_EQ(child<QLabel>(settings, "title")->text(),
              QCoreApplication::translate("MenuSetting", "设置"));

    // Without its file a language changes nothing visible, but is still reported.
    choose(languages, 0);
    QFile::remove(translationBeside("language_en.qm"));
    choose(languages, 1);
    EXPECT_EQ(stored.last(), LANGUAGE_EN);
    EXPECT_EQ(languages->text(), "简体中文");
    EXPECT_TRUE(installedTranslationFile().endsWith("/language_zh.qm"));
    menu->hideAll();
}

TEST(MessageBox, ACountdownAnswersByItself) {
    trayMsgBox *box = trayMsgBox::getInstance();
    auto *single = child<QPushButton>(box, "btnSingle");
    auto *confirm = child<QPushButton>(box, "btnConfirm");

    box->setTitle("提示");
    box->setText("一条通知");
    box->setSingleText("知道了");
    box->setSingleButton(3);
    QString firstText;
    QTimer::singleShot(0, [&] { firstText = single->text(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(box->exec(), 1);
    EXPECT_GE(clock.elapsed(), 2500); // coarse timers may fire 5% early
    EXPECT_EQ(firstText, "知道了(3)");
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(child<QLabel>(box, "label_2")->text().isEmpty());

    box->setConfirmText("好");
    box->setDoubleButton(2);
    QStringList seen;
    when([&] { return box->isShowing(); },
         [&] {
             seen << confirm->text();
             box->onCountdownTick();
             seen << confirm->text();
             box->onCountdownTick();
         });
    EXPECT_EQ(box->exec(), 0);
    EXPECT_EQ(seen, (QStringList{"好(2)", "好(1)"}));
    EXPECT_FALSE(box->isShowing());
}

TEST(MessageBox, ASecondRequestWaitsAndBothKeepTheirAnswers) {
    trayMsgBox *box = trayMsgBox::getInstance();
    auto *title = child<QLabel>(box, "label_2");
    QStringList order;
    QString titleWhileWaiting;
    bool second = true;

    box->setTitle("first");
    box->setText("first text");
    box->setDoubleButton(0);
    when([&] { return title->text() == "first"; },
         [&] {
             // The first box is answered while the second request waits for it.
             when([] { return true; },
                  [&] {
                      titleWhileWaiting = title->text();
                      child<QPushButton>(box, "btnConfirm")->click();
                  });
             when([&] { return title->text() == "second"; },
                  [&] { child<QPushButton>(box, "btnCancel")->click(); });
             TrayMsgBoxPrompts prompts;
             second = prompts.confirm("second", "second text", "是", "否");
             order << "second";
         });
    const int first = box->exec();
    order << "first";
    EXPECT_EQ(first, 1);
    EXPECT_FALSE(second);
    EXPECT_EQ(titleWhileWaiting, "first");
    EXPECT_EQ(order, (QStringList{"second", "first"}));
    EXPECT_FALSE(box->isShowing());
    EXPECT_FALSE(box->isVisible());
}
