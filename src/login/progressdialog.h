// ProgressDialog: the download window of a program update: a card with an
// illustration, the caption and a yellow bar over a grey track. One instance
// for the program, hidden until first shown. When the size of the download is
// unknown it shows a yellow segment sliding along the track instead of a bar.
// GUI thread only.
#pragma once

#include <memory>
#include <QTimer>
#include <QWidget>

namespace Ui {
class ProgressDialog;
}

class ProgressDialog : public QWidget {
    Q_OBJECT
public:
    static ProgressDialog *getInstance();

    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    // percent 0..100; larger values are ignored. Ends the busy slide.
    void setValue(int percent);
    int value() const { return m_value; }
    // The sliding segment for a download of unknown size.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }

    // Signed in: an ordinary window beside the main one; otherwise a tool
    // window that blocks the sign-in window. Then shows it in front.
    void showFor(bool signedIn);

    // Where the track lies on the card.
    static constexpr int trackX = 24;
    static constexpr int trackY = 165;
    static constexpr int trackWidth = 241;
    static constexpr int trackHeight = 8;
    static constexpr int busyWidth = 60;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::unique_ptr<Ui::ProgressDialog> ui;
    QPixmap m_background;
    int m_value = 0;
    bool m_busy = false;
    int m_busyOffset = 0; // the segment's left edge from the track's, may start before it
    QTimer m_busyTimer;
};
