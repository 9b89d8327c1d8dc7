// taryWidget: the main window "KestraStudioMain", a small frameless pop-up
// above the notification area opened from the tray icon, and the hub of one
// signed-in tray pass. It owns the camera side (CameraHub: registry, mDNS
// worker, wiring to the LAN scanner and the HTTP engine), shows the cameras as
// cards, turns the user's clicks into calls on the controllers, and receives
// the virtual cameras' window messages. The event-loop exit code it ends with
// (ExitCode_e) tells the run loop what comes next.
//
// Ownership: the tray icon and the process-wide windows (menu, add-device and
// search windows, pairing dialog, prompts) are borrowed through TrayParts and
// outlive every pass; the hub, the cards, the window-message endpoint and the
// activity handler are owned.
//
// Threads: GUI thread only. The discovery workers and the engine reach the
// registry and this window only through queued connections (CameraHub).
#pragma once

#include "device/devlist.h"
#include "main/startupparts.h"
#include "menu/menutypes.h"
#include "vcam/slots.h"

#include <memory>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

class AddDevice;
class CamPair;
class CameraHub;
class IniFile;
class MainWindowEndpoint;
class Menu;
class PowerNotes;
class QListWidgetItem;
class SearchDevice;
class SignedInAccount;
class TrayPrompts;
class VcamActivity;
class itemAddNewDev;
class itemOffline;
class itemOldDev;

namespace Ui {
class taryWidget;
}

// The process-wide windows and answers a tray pass borrows.
struct TrayParts {
    IniFile *settings = nullptr;
    Menu *menu = nullptr;
    AddDevice *addDevice = nullptr;
    SearchDevice *searchDevice = nullptr;
    CamPair *camPair = nullptr;
    TrayPrompts *prompts = nullptr;
    const SignedInAccount *account = nullptr;
};

class taryWidget : public QWidget, public TrayPass {
    Q_OBJECT
public:
    // What a card row holds in Qt::UserRole + 1.
    enum CardKind_e : int {
        CardNew = 0,
        CardOffline = 1,
        CardOnline = 2,
    };
    // The single-mode camera's state.
    enum CurrentState_e : int {
        CurrentNone = 0,
        CurrentWaiting = 1,
        CurrentOnline = 2,
        CurrentLost = 3,
    };

    taryWidget(QSystemTrayIcon *trayIcon, WorkMode_e workMode, const TrayParts &parts,
               QWidget *parent = nullptr);
    ~taryWidget() override;

    void hideAndExit() override;
    void quitLogin() override;

    WorkMode_e workMode() const { return m_workMode; }
    CurrentState_e currentState() const { return m_current.state; }
    QString currentMac() const { return m_current.mac; }
    CameraHub &cameraHub() { return *m_hub; }
    QPoint homePosition() const { return m_home; }
    int listHeight() const { return m_listHeight; }

signals:
    void sigScrollChange();
    void updateVirtualCamStatus(CamID_e id, bool status);

public slots:
    void onShow(QSystemTrayIcon::ActivationReason reason);
    void onScreenUpdate(QRect geometry);
    void onBtnClose();
    void onBtnSwitchWorkMode();
    void onScrollChange();
    void onScrollChangeToListwidget(int value);
    void onScrollChangeToUI(int value);
    void onBtnRefreshDevice();
    void onBtnNoFindDevice();
    void onAddMoreDevice();
    void onLoadingTimeout();
    void onBtnOption();
    void onQuit();
    void onBtnShowMenu();
    void onKeepNewstVersion(bool flag);
    void onKeepAutoStartup(bool flag);
    void onLanguageChange(int language);
    void onQuitLogin();
    void onSwitchWorkMode(int mode);
    void onNewDeviceOnline(DeviceBaseInfo_t dev);
    void onHistoryDeviceOnline(DeviceBaseInfo_t dev);
    void onNewDeviceOffline(QString mac);
    void onHistoryDeviceOffline(DeviceBaseInfo_t dev);
    void onConnectDevice(QString mac);
    void onRefreshDevice();
    void onRemoveDevice(QString mac);
    void onRemoveDeviceSingle();
    void onModifyName(QString mac, QString name);
    void onModifyNameSingle(QString name);
    void onReconnect(QString mac);
    void onUpdateDevice(DeviceBaseInfo_t dev);
    void onUpdateDeviceSingle(DeviceBaseInfo_t dev);
    void onRemoveVirtualCam(QString mac, CamID_e id);
    void onBindVirtualCam(QString mac, CamID_e id);
    void onUnpairedVirtualCam(QString mac, CamID_e id);
    void onSearchDeviceIPFinish(bool state);
    void onSearchDeviceIPStop();
    void onShowOptionUI(QString mac);
    void onSwitchHDR(QString mac, bool status);
    void onVideoParamUpdateHDR(QString mac, bool status);
    void onVideoParamUpdateLiveStatus(QString mac, bool status);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct CurrentDevice {
        QString name;
        QString ip;
        QString mac;
        CurrentState_e state = CurrentNone;
    };

    void setUpModeHeader();
    void retranslateModeTexts();
    void wireButtonsAndMenu();
    void wireWindows();
    void wireCameraSide();
    void setUpSingleCamera();
    void applyLogonStart(bool on);
    void placeHome();
    void computeHome();
    void hidePopups();
    bool refuseWhileDeviceInUse(const QString &mac);
    // The registry's record of a camera the user acts on; false (logged) for none.
    bool knownCamera(const QString &mac, DeviceBaseInfo_t &dev) const;
    // Logs the note that fits and returns false for an empty MAC or an id outside 1-4.
    static bool checkPairArguments(const QString &mac, CamID_e id, const char *emptyNote,
                                   const char *idNote);
    bool confirmLeavingWhileInUse();
    void endLoop(int code);

    // The list of cards.
    bool inDiscoveryView() const;
    void showDiscoveryView();
    void showMyDevicesView();
    void fillInitialList();
    int knownRowCount() const;
    int rowOf(const QString &mac) const;
    int kindOf(int row) const;
    void insertCard(int row, QWidget *card, const QString &mac, CardKind_e kind, int spacing);
    void removeRow(int row);
    void clearList();
    void appendAddCard();
    itemOffline *makeOfflineCard(const DeviceBaseInfo_t &dev);
    itemOldDev *makeOnlineCard(const DeviceBaseInfo_t &dev);
    void replaceCard(int row, QWidget *card, CardKind_e kind);
    void renumber();
    void updateHeader();
    void restorePairs(itemOldDev *card, const DeviceBaseInfo_t &dev);

    // Single mode.
    void showSingleOffline(const DeviceBaseInfo_t &dev);
    void showSingleOnline(const DeviceBaseInfo_t &dev);
    void clearCurrent();
    void forgetCamera(const QString &mac);

    std::unique_ptr<Ui::taryWidget> ui;
    QSystemTrayIcon *m_trayIcon;
    TrayParts m_parts;
    IniFile &m_settings;
    Menu *m_menu;
    Network *m_network;
    std::unique_ptr<CameraHub> m_hub;
    QPoint m_home;
    int m_listHeight = 0;
    QTimer m_loadingTimer;
    QList<QPixmap> m_loadingFrames;
    int m_frameIndex = 0;
    const WorkMode_e m_workMode;
    CurrentDevice m_current;
    itemAddNewDev *m_addCard = nullptr;
    itemOffline *m_singleOffline = nullptr;
    std::unique_ptr<VcamActivity> m_activity;
    std::unique_ptr<MainWindowEndpoint> m_endpoint;
    PowerNotes *m_powerNotes = nullptr;
    bool m_leaving = false;
};
