// CamPair: the pairing dialog. Its pairing page binds, unbinds or moves the
// four virtual cameras for the camera it is shown for and shows which of them
// a video application is using; its settings page switches that camera's HDR
// and offers its removal. It keeps the process's view of the four slots (bound
// camera, paired or in use) from the cards and the filter's activity reports;
// the registry persists the pairings, not this dialog.
// The tray host creates the one instance for the process and owns it. GUI
// thread only; the 1000 ms timer runs from construction to destruction.
#pragma once

#include "campair/pairingslots.h"

#include <array>
#include <memory>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class TrayPrompts;

namespace Ui {
class CamPair;
}

class CamPair : public QWidget, public PairingSlots {
    Q_OBJECT
public:
    explicit CamPair(TrayPrompts &prompts, QWidget *parent = nullptr);
    ~CamPair() override;

    // Shows the pairing page for a camera and emits sigShow().
    void showPairing(const QString &mac, const QString &name) override;
    // Shows the settings page for a camera; the remove button only when removable.
    void showSettings(const QString &mac, const QString &name, bool removable);
    // status: 0 free, 1 paired, anything else in use. False for an id outside 1-4.
    bool setCamStatus(CamID_e id, int status, const QString &mac, const QString &name) override;
    bool getCamPairStatus(CamID_e id, int &status) const;
    // Frees every slot bound to mac; hides the dialog when it shows that camera.
    void removeDevice(const QString &mac);
    // Frees all four slots and forgets the shown camera.
    void resetAll();
    // The camera mac was renamed.
    void updateSlotName(const QString &mac, const QString &name);
    // False while any slot is in use.
    bool isAllIdle() const;
    // False while a slot bound to mac is in use.
    bool isDeviceIdle(const QString &mac) const;
    // Whether slot index (0-3) became active since the last call; clears the flag.
    bool takeActivated(quint8 index);
    void setHDRState(bool hdrOn, bool switchable);
    // Both apply only to the shown camera.
    void updateHDRStatus(const QString &mac, bool hdrOn);
    void updateLIVEStatus(const QString &mac, bool switchable);
    bool isPairingOpen() const override { return isVisible(); }

    // The body of the re-pair question from its translated text: a translation
    // that places the name itself ("xxx") loses its colons; otherwise the name
    // follows the text.
    static QString rePairText(const QString &translated, const QString &deviceName);

    QString shownMac() const { return m_shownMac; }
    QString shownName() const { return m_shownName; }

signals:
    void camPair(QString mac, CamID_e id);
    void camUnPair(QString mac, CamID_e id);
    void camSwitchPair(QString macSrc, QString macDst, CamID_e id);
    void camPaired(QString mac, CamID_e id);
    void camUnpaired(QString mac, CamID_e id);
    void sigShow();
    void sigSwitchHDR(QString mac, bool status);
    void sigRemoveDevice(QString mac);

public slots:
    void onHide();
    void onBtn1();
    void onBtn2();
    void onBtn3();
    void onBtn4();
    void onSyncCamStatus(CamID_e id, bool status);
    void onCheckTimeout();
    void onBtnSwitchHDR();
    void onBtnRemoveDevice();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum class View { Free, Remove, Switch, InUse };

    struct Slot {
        QString mac;
        QString name;
        SlotStatus status = Free;
        quint8 countdown = 0; // seconds of in use left without a new report
        bool lastActive = false;
        bool activated = false;
        View view = View::Free;
    };

    struct Row {
        QLabel *label;
        QPushButton *button;
        QLabel *text;
    };

    void onRowClicked(int index);
    void freeSlot(int index);
    void showView(int index, View view);
    View pairedViewByName(int index) const;
    View pairedViewByMac(int index) const;
    void refreshPairedViews();
    void showHDR();
    void setTitle(const char *source);
    void present();

    std::unique_ptr<Ui::CamPair> ui;
    TrayPrompts &m_prompts;
    std::array<Slot, camIDCount> m_slots;
    std::array<Row, camIDCount> m_rows;
    QString m_shownMac;
    QString m_shownName;
    bool m_hdrOn = false;
    bool m_hdrSwitchable = false; // unknown until the camera reports its live state
    const char *m_title;
    QTimer m_checkTimer;
};
