// itemAddNewDev: the last card of the device list, which opens the add-device
// window. In single-camera mode the same card offers switching to another
// camera, with the texts its owner sets. The list that shows it owns it.
// GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class itemAddNewDev;
}

class itemAddNewDev : public QWidget {
    Q_OBJECT
public:
    explicit itemAddNewDev(QWidget *parent = nullptr);
    ~itemAddNewDev() override;

    // Replaces the form's texts (already translated). A language change keeps
    // them: the owner sets them again in the new language.
    void setTexts(const QString &label, const QString &button);

signals:
    void addMoreDevice();

public slots:
    void onAddDevice();

protected:
    void changeEvent(QEvent *event) override;

private:
    std::unique_ptr<Ui::itemAddNewDev> ui;
    bool m_ownTexts = false;
};
