// trayMsgBox: the tray program's one confirmation and notice box: a title, a
// text, and either two buttons (confirm, cancel) or one. Application-modal,
// run by exec() in a private event loop; an optional countdown in seconds
// answers by itself when it runs out (the single button: true; two buttons:
// false) and shows the seconds left on the confirm or single button.
//
// The setters prepare the next exec() and never touch a box on screen. exec()
// takes what was set, and afterwards title and text start empty again.
//
// A second exec() while a box is open (it can only come from an event handled
// inside the first one's loop) waits in a nested event loop of its own, with
// no polling, until the open box is answered, then shows its own request. The
// first box's answer is kept in the first call's own frame, so it returns
// that answer once the second call has returned (event loops unwind in
// reverse order). Several waiting calls show one after the other.
//
// One per process (getInstance(), created hidden on first use); GUI thread only.
#pragma once

#include <memory>
#include <QDialog>

class QEventLoop;
class QTimer;

namespace Ui {
class trayMsgBox;
}

class trayMsgBox : public QDialog {
    Q_OBJECT
public:
    static trayMsgBox *getInstance();
    ~trayMsgBox() override;

    void setTitle(const QString &title);
    void setText(const QString &text);
    void setConfirmText(const QString &text);
    void setCancelText(const QString &text);
    void setSingleText(const QString &text);
    // Choose the page; countdown in seconds, 0 for none.
    void setDoubleButton(quint16 countdown);
    void setSingleButton(quint16 countdown);

    bool isShowing() const { return m_session != nullptr; }
    // Shows the box until it is answered: 1 confirmed (or the single button,
    // or a one-button countdown ran out), 0 otherwise.
    int exec() override;

public slots:
    void onBtnConfirm();
    void onBtnCancel();
    // One second of the countdown (the timer's tick).
    void onCountdownTick();
    void reject() override;

signals:
    // The open box was answered; calls waiting for it go on.
    void sigAnswered();

protected:
    void changeEvent(QEvent *event) override;

private:
    // What a caller set up for one exec(); null texts keep the form's.
    struct Request {
        QString title;
        QString text;
        QString confirmText;
        QString cancelText;
        QString singleText;
        bool singleButton = false;
        quint16 countdown = 0;
    };
    struct Session {
        Request request;
        QEventLoop *loop = nullptr;
        bool result = false;
    };

    trayMsgBox();
    void present(Session &session);
    void finish(bool result);
    void showButtonTexts();
    void fitHeight();

    std::unique_ptr<Ui::trayMsgBox> ui;
    QTimer *m_timer;
    Request m_next;
    Session *m_session = nullptr; // the box on screen, in its exec() frame
    quint16 m_countdown = 0;
};
