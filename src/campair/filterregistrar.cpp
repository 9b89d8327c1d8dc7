#include "campair/filterregistrar.h"

#include "device/inifile.h"
#include "log/logline.h"
#include "platform/registrationscript.h"

FilterRegistrar::FilterRegistrar(IniFile &settings, QString programFolder)
    : m_settings(settings), m_programFolder(std::move(programFolder)) {}

bool FilterRegistrar::registerMode(int workMode) {
    const bool multi = workMode == 1;
    const QString path = m_programFolder + QLatin1Char('/') + registrationScriptName(workMode);
    LOG_NOTE << (multi ? QStringLiteral("regsvr32 mutil: ") : QStringLiteral("regsvr32 single: ")) +
                    path;
    QString failure;
    if (!startRegistrationScript(path, &failure)) {
        LOG_ERROR << QStringLiteral("regsvr32 single faild: ") + failure;
        return false;
    }
    m_settings.setWorkMode(multi ? 1 : 0);
    return true;
}
