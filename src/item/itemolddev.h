// itemOldDev: the card of a connected camera: number, name field, online
// state with battery, the option button that opens the camera's settings, and
// the row of virtual camera badges with its edit mode. The card mirrors the
// pairing dialog's decisions for its own camera, tells the pairing dialog the
// slots it restores or frees (PairingSlots) and reports binds and removals to
// the controller. The main window's list owns the card; GUI thread only.
#pragma once

#include "campair/pairingslots.h"
#include "device/devlist.h"

#include <array>
#include <memory>
#include <QWidget>

class VirtualCam;

namespace Ui {
class itemOldDev;
}

class itemOldDev : public QWidget {
    Q_OBJECT
public:
    itemOldDev(const DeviceBaseInfo_t &dev, PairingSlots &pairing, QWidget *parent = nullptr);
    ~itemOldDev() override;

    void setNumber(int number);
    void setBattery(short level, bool charging);
    const DeviceBaseInfo_t &deviceInfo() const { return m_info; }
    QString mac() const { return m_info.mac; }

    // Shows a slot of this camera in the given state (0 free, 1 paired, other
    // values in use) here and in the pairing dialog; false for an invalid id.
    bool setVirtualCamStatus(CamID_e id, int status);
    // The pairing dialog bound a slot to this camera: show it and report it.
    bool bindVirtualCam(CamID_e id);

    // The bound numbers in badge order, zeros after them.
    std::array<quint16, camIDCount> badgeList() const { return m_badges; }
    int slotStatus(CamID_e id) const;
    bool isEditing() const { return m_editing; }

signals:
    void settingConfirm();
    void settingCancel();
    void removeCam(const QString &mac, CamID_e id);
    void bindCam(const QString &mac, CamID_e id);
    void modifyName(const QString &mac, const QString &name);
    void sigClickOption(const QString &mac);

public slots:
    void onPairVirtualCam(const QString &mac, CamID_e id);
    void onUnPairVirtualCam(const QString &mac, CamID_e id);
    void onSwitchPairVirtualCam(const QString &macSrc, const QString &macDst, CamID_e id);
    void onPairedVirtualCam(const QString &mac, CamID_e id);
    void onUnpairedVirtualCam(const QString &mac, CamID_e id);
    void onCamSetting();
    void onPosRemove1();
    void onPosRemove2();
    void onPosRemove3();
    void onPosRemove4();
    void onCamRemoveConfirm();
    void onCamRemoveCancel();
    void onAddVirtualCam();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Slot {
        int status = Free;
        bool removeMark = false;
    };

    Slot &slotOf(int id) { return m_slots[static_cast<size_t>(id - firstCamID)]; }
    void insertBadge(int id);
    void removeBadge(int id);
    bool hasBadge(int id) const;
    void removeAt(int position);
    void leaveEditMode();
    void redraw();

    std::unique_ptr<Ui::itemOldDev> ui;
    DeviceBaseInfo_t m_info;
    PairingSlots &m_pairing;
    std::array<Slot, camIDCount> m_slots{};
    std::array<quint16, camIDCount> m_badges{};
    std::array<VirtualCam *, camIDCount> m_badgeViews{};
    bool m_editing = false;
};
