#include "configfolder.h"

#include <windows.h>

#include <string>

namespace Kestra {

std::filesystem::path KestraLiveFolder() {
    // HOMEPATH is read into 48 characters as it always was; a longer one (which the API
    // reports by returning the size it needs) leaves the drive's root.
    wchar_t homePath[48];
    const DWORD length = ::GetEnvironmentVariableW(L"HOMEPATH", homePath, 48);
    std::wstring folder = L"C:";
    if (length > 0 && length < 48)
        folder.append(homePath, length);
    folder += L"\\AppData\\Local\\kestraLive";
    return folder;
}

} // namespace Kestra
