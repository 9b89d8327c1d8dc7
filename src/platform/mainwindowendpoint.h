// MainWindowEndpoint: where the filter's window messages (WM_VCAM_* in device/vcameratypes.h)
// reach KestraLive. While the object exists, every message the filter in any video application
// posts to "KestraStudioMain" comes out of vcamMessage() on the GUI thread; KestraLive keeps
// one exactly as long as its main window exists.
//
// Windows: the messages arrive in the GUI thread's message queue for the window titled
// "KestraStudioMain"; the endpoint filters them out of the application's native events, so the
// window itself needs no nativeEvent code. Elsewhere: a per-user Unix datagram socket at
// mainWindowEndpointPath(), read through a socket notifier.
//
// Created, used and destroyed on the GUI thread, while the application object exists.
#pragma once

#include <memory>
#include <QObject>

class MainWindowEndpoint : public QObject {
    Q_OBJECT
public:
    explicit MainWindowEndpoint(QObject *parent = nullptr);
    ~MainWindowEndpoint() override;

    // False when the endpoint could not be set up (logged), for instance because another live
    // KestraLive of this user holds it.
    bool isOpen() const;

signals:
    void vcamMessage(quint32 message, quint64 wParam, qint64 lParam);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
