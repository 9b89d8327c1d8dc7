#include "configfolder.h"

#include "vcam/pairingfile.h"

#include <cstdlib>

namespace Kestra {

namespace {

// Qt's rules, so that both sides name the same folder: an empty variable counts as unset and
// a missing home is the root folder.
std::filesystem::path ConfigHome() {
    const char *configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && *configHome)
        return configHome;
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".config";
}

} // namespace

std::filesystem::path KestraLiveFolder() {
    return ConfigHome() / vconfig::programFolder;
}

} // namespace Kestra
