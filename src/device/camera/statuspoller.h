// StatusPoller: keeps watch over the connected cameras. About every two
// seconds it asks each for its battery and work mode: a camera that answers
// joins the event listener (its record is made and its parameters queried, and
// the PC registers with it as the receiver of its events), one that times out
// or leaves its wireless mode is reported offline and no longer polled, one
// that answers with another error is reported abnormal. A camera that leaves
// loses its record; a configuration it was running is reported failed.
//
// Threads: created with the engine and moved with it to its worker thread.
// add(), remove() and clear() run on the main thread, quit() on either, every
// other function on the worker. m_lock guards m_devices, both poll reply maps
// and m_registerSet; the records' lock may be taken under it. Signals are
// emitted after both are released.
#pragma once

#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class CameraRecords;
class QNetworkReply;
class RequestIssuer;

class StatusPoller : public QObject {
    Q_OBJECT
public:
    StatusPoller(CameraRecords &records, RequestIssuer &issuer, QObject *parent);

    // Main thread.
    void add(const QString &mac, const QString &ip);
    void remove(const QString &mac);
    void clear();

    // Worker thread (quit() also on the main thread).
    void join(const QString &mac, const QString &ip);
    void quit(const QString &mac, const QString &ip);
    // True while the PC registers, or has registered, with the camera at ip.
    bool isJoined(const QString &ip);
    void pollStep();
    void registerStep();
    void onRegisterReply(QNetworkReply *reply);

signals:
    void sigDeviceBatteryInfo(QString mac, bool isCharge, short battery);
    void sigDeviceOffine(QString mac);
    void sigDeviceAbnormal(QString mac);
    void sigDeviceParamConfigFaild(QString ip);

public slots:
    void onReplyGetPowerStatus();
    void onReplyGetCameraMode();

private:
    struct HttpDevice_t {
        QString mac;
        QString ip;
        bool isCharge = false;
        qint16 battery = -1;
    };
    // The values are the documented registration states.
    enum class Registration { ToDo = 0, InFlight = 1, Done = 2 };

    // These expect m_lock held; quitLocked returns the cameras whose
    // configuration ended with their record.
    void joinLocked(const QString &ip);
    QStringList quitLocked(const QString &ip);
    static void cancelRepliesLocked(QMap<QNetworkReply *, QString> &replies, const QString &mac);

    CameraRecords &m_records;
    RequestIssuer &m_issuer;
    QMutex m_lock;
    QMap<QString, HttpDevice_t> m_devices;
    QMap<QNetworkReply *, QString> m_batteryReplies;
    QMap<QNetworkReply *, QString> m_modeReplies;
    QMap<QString, Registration> m_registerSet;
    int m_pollCountdown = 0;     // worker only
    int m_registerCountdown = 0; // worker only
};
