// VerifyWidget: the picture check against robots before a verification code
// is sent: the user types the four letters of a moving picture. One modal
// instance for the program; runCheck() blocks in a local event loop until the
// user passes or closes it. GUI thread only.
#pragma once

#include <memory>
#include <QDialog>
#include <QEventLoop>

namespace Ui {
class VerifyWidget;
}
class CaptchaLabel;

class VerifyWidget : public QDialog {
    Q_OBJECT
public:
    static VerifyWidget *getInstance();

    explicit VerifyWidget(QWidget *parent = nullptr);
    ~VerifyWidget() override;

    // Centred over `over` (or the screen without it), with a new picture;
    // returns once the letters were typed right (true) or the dialog closed.
    bool runCheck(QWidget *over);

    // Test hooks: the picture, and how many pictures were drawn so far.
    CaptchaLabel *captcha() const;
    int regenerationCount() const { return m_regenerations; }

    // Failures on one picture before it changes.
    static constexpr int failuresPerPicture = 2;
    // Once wrong answers changed the picture this often, every failure changes it.
    static constexpr int patientRegenerations = 2;

public slots:
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void regenerate();
    void verify();
    void finish(bool passed);

    std::unique_ptr<Ui::VerifyWidget> ui;
    QEventLoop *m_loop = nullptr;
    bool m_passed = false;
    int m_failures = 0;             // since the picture last changed
    int m_failureRegenerations = 0; // pictures changed by wrong answers
    int m_regenerations = 0;
};
