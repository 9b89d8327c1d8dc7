// IniFile: the one accessor of KestraLive's three settings files under
// <config root>/ini/: config.ini (preferences), device.ini (known cameras,
// pairings and the encrypted cloud tokens) and VConfig.ini (the camera address
// of each virtual camera, read by the filter library in other processes).
//
// Threads: created and used on the GUI thread only (asserted); workers reach settings
// through the device registry's queued signals. Nothing is cached: every
// accessor reads or writes the file's settings object, and every write is
// synced to disk at once (atomically, through a temporary file) because the
// filter may read VConfig.ini at any moment and a crash must not lose a pairing.
#pragma once

#include <memory>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

class AES;

class IniFile : public QObject {
    Q_OBJECT
public:
    // The process-wide instance, rooted at the per-user configuration folder.
    static IniFile &getInstance();

    // Opens the three files below configRoot, empties the published camera
    // addresses and initialises the preferences when asked to.
    explicit IniFile(const QString &configRoot, QObject *parent = nullptr);
    ~IniFile() override;

    bool keepNewstVersion() const;
    void setKeepNewstVersion(bool keep);
    bool keepAutorun() const;
    void setKeepAutorun(bool keep);
    int language() const;
    void setLanguage(int language);
    bool workModeSelect() const;
    void setWorkModeSelect(bool select);
    bool workModeSwitch() const;
    void setWorkModeSwitch(bool pending);
    int workMode() const;
    void setWorkMode(int mode);

    QString getToken() const;
    void setToken(const QString &token);
    QString getRefreshToken() const;
    void setRefreshToken(const QString &token);

    QStringList deviceGroups() const;
    QString deviceValue(const QString &key) const;
    void setDeviceValue(const QString &key, const QString &value);
    void removeDeviceKey(const QString &key);
    bool isDeviceEmpty() const;
    void clearDeviceRecords();

    void setVCamera(int id, const QString &ip);
    QString getVCamera(int id) const;
    void removeVCameraList();
    void resetVConfig();

    QString vconfigPath() const { return m_vconfigPath; }
    QString configPath() const { return m_configPath; }
    QString devicePath() const { return m_devicePath; }

private:
    void initPreferences();
    QString settingsFolderProblem() const;
    QString readToken(const QString &key) const;
    void writeToken(const QString &key, const QString &token);
    // Every access goes through these two, which check the calling thread.
    QVariant read(const QSettings &settings, const QString &key) const;
    // Sets (or, with an invalid value, removes) a key and syncs the file.
    void write(std::unique_ptr<QSettings> &settings, const QString &key, const QVariant &value);
    void sync(std::unique_ptr<QSettings> &settings);
    void renew(std::unique_ptr<QSettings> &settings);

    AES &m_cipher;
    QString m_vconfigPath;
    std::unique_ptr<QSettings> m_vconfig;
    QString m_configPath;
    std::unique_ptr<QSettings> m_config;
    QString m_devicePath;
    std::unique_ptr<QSettings> m_device;
};
