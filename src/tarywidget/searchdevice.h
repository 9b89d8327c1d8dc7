// SearchDevice: the window shown while a LAN scan looks for cameras (page 0,
// searching) and when it found none (page 1, with hints and a button to
// search again), with the program version and an update check at its foot.
// One timer animates the wifi picture of whichever page shows, each page with
// its own frame counter; it runs only while the window is shown.
// One instance for the program, owned by the tray windows; GUI thread only.
#pragma once

#include <array>
#include <memory>
#include <QTimer>
#include <QVector>
#include <QWidget>

class QLabel;

namespace Ui {
class SearchDevice;
}

class SearchDevice : public QWidget {
    Q_OBJECT
public:
    enum Page { SearchingPage = 0, NotFoundPage = 1 };

    explicit SearchDevice(QWidget *parent = nullptr);
    ~SearchDevice() override;

    // Both show, activate and raise the window on their page.
    void showSearching();
    void showNotFound();

    // The program version without the "V", as the HTTP engine reports it.
    void setVersion(const QString &version);

    int currentPage() const;
    bool isAnimating() const { return m_timer.isActive(); }
    // The frame the page shows, 0 .. frameCount - 1.
    int frame(Page page) const { return m_frames[page]; }
    static constexpr int frameCount = 25;

signals:
    void sigRefresh();
    void sigCheckUpdate();
    // The user closed the window (the scan's state may be reset).
    void sigClose();

private slots:
    void onTimeout();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void present(Page page);
    void showTexts();
    QLabel *pictureOf(Page page) const;

    std::unique_ptr<Ui::SearchDevice> ui;
    QVector<QPixmap> m_pictures;
    std::array<int, 2> m_frames{0, 0};
    QTimer m_timer;
    QString m_version;
};
