#include "device/inifile.h"

#include "aes/aes.h"
#include "log/logline.h"
#include "vcam/pairingfile.h"
#include "vcam/slots.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {

// Fixed key material of the token store; the IV has no effect in ECB.
const QByteArray tokenKey = QByteArrayLiteral("5f3a9c07e1b2d486");
const QByteArray tokenIv = QByteArrayLiteral("a7d20e9b4c1f6835");

const QString vcameraGroup = QString::fromLatin1(vconfig::section);

QString vcameraKey(int id) {
    return vcameraGroup + u'/' + QString::fromStdString(vconfig::slotKey(id));
}

} // namespace

IniFile &IniFile::getInstance() {
    static IniFile instance(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    return instance;
}

IniFile::IniFile(const QString &configRoot, QObject *parent)
    : QObject(parent), m_cipher(AES::instance()) {
    m_vconfigPath = configRoot + u'/' + QLatin1String(vconfig::iniFolder) + u'/' +
                    QLatin1String(vconfig::fileName);
    m_vconfig = std::make_unique<QSettings>(m_vconfigPath, QSettings::IniFormat);
    resetVConfig();

    m_configPath = configRoot + QStringLiteral("/ini/config.ini");
    m_config = std::make_unique<QSettings>(m_configPath, QSettings::IniFormat);
    initPreferences();

    m_devicePath = configRoot + QStringLiteral("/ini/device.ini");
    m_device = std::make_unique<QSettings>(m_devicePath, QSettings::IniFormat);
}

IniFile::~IniFile() = default;

// Why the settings folder cannot be used, or an empty text when it can (or does not exist yet,
// which the first write mends).
QString IniFile::settingsFolderProblem() const {
    const QFileInfo folder(QFileInfo(m_configPath).absolutePath());
    if (!folder.exists())
        return {};
    if (!folder.isDir())
        return QStringLiteral("it is a file, not a folder");
    if (!folder.isReadable() || !folder.isExecutable())
        return QStringLiteral("permission denied");
    return {};
}

void IniFile::initPreferences() {
    const bool newFile = !QFile::exists(m_configPath);
    const QString problem = newFile ? settingsFolderProblem() : QString();
    if (!problem.isEmpty())
        LOG_ERROR << "the settings folder" << QFileInfo(m_configPath).absolutePath()
                  << "cannot be read:" << problem;
    else if (newFile)
        LOG_NOTE << "the config.ini is not exists！";
    else if (!read(*m_config, QStringLiteral("config/isFirstInstall")).toBool())
        return;

    write(m_config, QStringLiteral("config/keepNewstVersion"), true);
    write(m_config, QStringLiteral("config/keepAutorun"), true);
    write(m_config, QStringLiteral("config/workModeSelect"), true);
    write(m_config, QStringLiteral("config/workmodeMulti"), false);
    write(m_config, QStringLiteral("config/workModeSwitch"), false);
    if (newFile)
        write(m_config, QStringLiteral("config/language"), 0);
    write(m_config, QStringLiteral("config/isFirstInstall"), false);
}

QVariant IniFile::read(const QSettings &settings, const QString &key) const {
    Q_ASSERT(QThread::currentThread() == thread());
    return settings.value(key);
}

void IniFile::write(std::unique_ptr<QSettings> &settings, const QString &key,
                    const QVariant &value) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (value.isValid())
        settings->setValue(key, value);
    else
        settings->remove(key);
    sync(settings);
}

void IniFile::sync(std::unique_ptr<QSettings> &settings) {
    if (settings->status() != QSettings::NoError)
        renew(settings);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        LOG_ERROR << "settings write faild:" << settings->fileName() << "status"
                  << static_cast<int>(settings->status());
}

// QSettings keeps its first error for good, which would report every later write as failed:
// after a failure, the next write goes through a fresh object on the same file that holds
// what the failed one held (its unsaved changes included, saved now).
void IniFile::renew(std::unique_ptr<QSettings> &settings) {
    auto fresh = std::make_unique<QSettings>(settings->fileName(), QSettings::IniFormat);
    const QStringList kept = settings->allKeys();
    for (const QString &key : fresh->allKeys())
        if (!kept.contains(key))
            fresh->remove(key);
    for (const QString &key : kept)
        fresh->setValue(key, settings->value(key));
    settings = std::move(fresh);
}

bool IniFile::keepNewstVersion() const {
    return read(*m_config, QStringLiteral("config/keepNewstVersion")).toBool();
}
void IniFile::setKeepNewstVersion(bool keep) {
    write(m_config, QStringLiteral("config/keepNewstVersion"), keep);
}
bool IniFile::keepAutorun() const {
    return read(*m_config, QStringLiteral("config/keepAutorun")).toBool();
}
void IniFile::setKeepAutorun(bool keep) {
    write(m_config, QStringLiteral("config/keepAutorun"), keep);
}
int IniFile::language() const {
    return read(*m_config, QStringLiteral("config/language")).toInt();
}
void IniFile::setLanguage(int language) {
    write(m_config, QStringLiteral("config/language"), language);
}
bool IniFile::workModeSelect() const {
    return read(*m_config, QStringLiteral("config/workModeSelect")).toBool();
}
void IniFile::setWorkModeSelect(bool select) {
    write(m_config, QStringLiteral("config/workModeSelect"), select);
}
bool IniFile::workModeSwitch() const {
    return read(*m_config, QStringLiteral("config/workModeSwitch")).toBool();
}
void IniFile::setWorkModeSwitch(bool pending) {
    write(m_config, QStringLiteral("config/workModeSwitch"), pending);
}
int IniFile::workMode() const {
    return read(*m_config, QStringLiteral("config/workMode")).toInt();
}
void IniFile::setWorkMode(int mode) {
    write(m_config, QStringLiteral("config/workMode"), mode);
}

QString IniFile::readToken(const QString &key) const {
    const QString stored = read(*m_device, key).toString();
    if (stored.isEmpty())
        return {};
    return m_cipher.decryptText(stored, tokenKey, tokenIv);
}

void IniFile::writeToken(const QString &key, const QString &token) {
    write(m_device, key,
          token.isEmpty() ? QString() : m_cipher.encryptText(token, tokenKey, tokenIv));
}

QString IniFile::getToken() const {
    return readToken(QStringLiteral("common/token"));
}
void IniFile::setToken(const QString &token) {
    writeToken(QStringLiteral("common/token"), token);
}
QString IniFile::getRefreshToken() const {
    return readToken(QStringLiteral("common/refreshToken"));
}
void IniFile::setRefreshToken(const QString &token) {
    writeToken(QStringLiteral("common/refreshToken"), token);
}

QStringList IniFile::deviceGroups() const {
    Q_ASSERT(QThread::currentThread() == thread());
    return m_device->childGroups();
}

QString IniFile::deviceValue(const QString &key) const {
    return read(*m_device, key).toString();
}

void IniFile::setDeviceValue(const QString &key, const QString &value) {
    write(m_device, key, value);
}

void IniFile::removeDeviceKey(const QString &key) {
    write(m_device, key, QVariant());
}

bool IniFile::isDeviceEmpty() const {
    Q_ASSERT(QThread::currentThread() == thread());
    return m_device->allKeys().isEmpty();
}

void IniFile::clearDeviceRecords() {
    Q_ASSERT(QThread::currentThread() == thread());
    const QStringList groups = m_device->childGroups();
    for (const QString &group : groups) {
        if (group != QLatin1String("common"))
            m_device->remove(group);
    }
    sync(m_device);
}

void IniFile::setVCamera(int id, const QString &ip) {
    if (!isValidCamID(id))
        return;
    write(m_vconfig, vcameraKey(id), ip);
}

QString IniFile::getVCamera(int id) const {
    if (!isValidCamID(id))
        return {};
    return read(*m_vconfig, vcameraKey(id)).toString();
}

void IniFile::removeVCameraList() {
    write(m_vconfig, vcameraGroup, QVariant());
}

void IniFile::resetVConfig() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_vconfig->clear();
    for (int id = firstCamID; id <= lastCamID; ++id)
        m_vconfig->setValue(vcameraKey(id), QString());
    sync(m_vconfig);
}
