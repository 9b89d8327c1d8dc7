// VirtualCam: one badge in the virtual camera row of an online camera card:
// either a bound virtual camera "Cam<N>" (tinted while a video application
// streams from it, with a remove cross in the card's edit mode) or the add
// badge that opens the pairing dialog. A child of its card; GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class VirtualCam;
}

class VirtualCam : public QWidget {
    Q_OBJECT
public:
    explicit VirtualCam(QWidget *parent = nullptr);
    ~VirtualCam() override;

    void showCamera(int number, bool inUse, bool removable);
    void showAdd();

    // 0 for the add badge.
    int number() const { return m_number; }
    bool isAddBadge() const { return m_number == 0; }
    bool inUse() const { return m_inUse; }
    bool removable() const;

signals:
    // The badge was clicked (the card opens the pairing dialog from the add badge).
    void clicked();
    // The remove cross was clicked.
    void removeClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyLook();

    std::unique_ptr<Ui::VirtualCam> ui;
    int m_number = 0;
    bool m_inUse = false;
};
