// AddDevice: the window that lists cameras found on the LAN that are not yet
// connected, each on an itemNewDev card, for adding more cameras once the main
// window shows the user's own. Its list is as high as its rows, up to a
// limit, then scrolls. One instance for the program (the tray windows own it), driven by
// the main window; hidden until shown. GUI thread only.
#pragma once

#include <memory>
#include <QTimer>
#include <QVector>
#include <QWidget>

class QListWidgetItem;

namespace Ui {
class AddDevice;
}

class AddDevice : public QWidget {
    Q_OBJECT
public:
    explicit AddDevice(QWidget *parent = nullptr);
    ~AddDevice() override;

    // Adds a card for the camera; false when the camera already has one.
    bool addDevice(const QString &mac, const QString &name);
    // Removes the camera's card; false when it has none.
    bool removeDevice(const QString &mac);
    void clear();
    int count() const;
    bool contains(const QString &mac) const;

    // Turns the refresh animation while a LAN scan runs.
    void setSearching(bool searching);
    bool isSearching() const { return m_searching; }

    // The list's fixed height: its rows' heights, at most maxListHeight,
    // emptyListHeight without rows.
    int listHeight() const;
    static constexpr int maxListHeight = 365;
    static constexpr int emptyListHeight = 4;
    // Space below each card inside its row.
    static constexpr int rowSpacing = 4;

signals:
    // The user connects this camera; its card has left the window.
    void sigConnectDevice(QString mac);
    void sigRefresh();
    void sigNoFindDevice();

private slots:
    void onConnectDevice(const QString &mac);
    void onLoadingTimeout();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QListWidgetItem *itemOf(const QString &mac) const;
    void fitList();

    std::unique_ptr<Ui::AddDevice> ui;
    QVector<QPixmap> m_loadingFrames;
    int m_frame = 0;
    QTimer m_loadingTimer;
    bool m_searching = false;
};
