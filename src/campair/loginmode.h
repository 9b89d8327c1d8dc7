// LoginMode: the first-run chooser between single-camera and multi-camera
// mode. Choosing a panel registers the filters for that mode at once; closing
// the window counts as failure. The work-mode chooser keeps one for the life
// of the process.
// A panel casts a shadow while the mouse is over it. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <QEventLoop>
#include <QWidget>

class QGraphicsDropShadowEffect;

namespace Ui {
class LoginMode;
}

class LoginMode : public QWidget {
    Q_OBJECT
public:
    // Registers the filters for a mode (0 single, 1 multi); true on success.
    using Registration = std::function<bool(int workMode)>;

    explicit LoginMode(Registration registration, QWidget *parent = nullptr);
    ~LoginMode() override;

    // Shows the chooser until the user chooses or closes it; 1 when the
    // chosen mode was registered, 0 otherwise.
    quint8 exec();

    // The blur radius of a panel's shadow (0 or 8), for tests.
    qreal shadowOf(const QWidget *panel) const;

public slots:
    void onBtnClose();
    void onScreenUpdate(QRect geometry);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void choose(int workMode);
    void fitTexts();

    std::unique_ptr<Ui::LoginMode> ui;
    Registration m_registration;
    quint8 m_result = 0;
    QEventLoop m_loop;
    QGraphicsDropShadowEffect *m_singleShadow;
    QGraphicsDropShadowEffect *m_multiShadow;
};
