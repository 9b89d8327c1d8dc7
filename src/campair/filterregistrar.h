// FilterRegistrar: registers the virtual camera filters for a work mode by
// starting the mode's registration script from the program folder (see
// registrationscript.h). The script's own result is not awaited: once it
// runs, the mode is stored as the current one. GUI thread only.
#pragma once

#include <QString>

class IniFile;

class FilterRegistrar {
public:
    // programFolder: where the scripts lie (the program's folder in the program).
    FilterRegistrar(IniFile &settings, QString programFolder);

    // 0 single, 1 multi; true once the script runs and the mode is stored.
    bool registerMode(int workMode);

private:
    IniFile &m_settings;
    QString m_programFolder;
};
