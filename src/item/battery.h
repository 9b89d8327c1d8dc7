// Battery: the battery indicator of an online camera card: a 19 x 12 outline
// with a fill bar for the level, and the level in percent beside it. A low
// level (20 or less) turns outline and fill red unless the camera is charging,
// which fills green. A child of its card; GUI thread only.
#pragma once

#include <memory>
#include <QColor>
#include <QWidget>

namespace Ui {
class Battery;
}

class Battery : public QWidget {
    Q_OBJECT
public:
    explicit Battery(QWidget *parent = nullptr);
    ~Battery() override;

    // Levels above 100 are ignored; a negative level shows as 0.
    void setLevel(int level);
    void setCharging(bool charging);
    int level() const { return m_level; }
    bool charging() const { return m_charging; }

    static constexpr int lowLevel = 20;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintOutline(QWidget *surface) const;
    void refresh();

    std::unique_ptr<Ui::Battery> ui;
    bool m_charging = false;
    int m_level = 50;
};
