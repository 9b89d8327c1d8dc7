// itemNewDev: the card of a camera found on the LAN that was never connected:
// its picture, its name and a connect button. The list that shows it (the main
// window's device list or the add-device window) owns it. GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class itemNewDev;
}

class itemNewDev : public QWidget {
    Q_OBJECT
public:
    itemNewDev(const QString &mac, const QString &name, QWidget *parent = nullptr);
    ~itemNewDev() override;

    QString mac() const { return m_mac; }
    QString name() const { return m_name; }
    void setName(const QString &name);

signals:
    // The user asked to connect this camera.
    void connectDevice(QString mac);

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showName();

    std::unique_ptr<Ui::itemNewDev> ui;
    QString m_mac;
    QString m_name;
};
