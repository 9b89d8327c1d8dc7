#include "pairingfile.h"

#include "configfolder.h"
#include "platform/wintext.h"

#include <windows.h>

namespace Kestra {

std::string ReadPairedCameraAddress(int slot) {
    const std::filesystem::path file = KestraLiveFolder() / L"ini" / L"VConfig.ini";
    const std::wstring key = L"VCamera" + std::to_wstring(slot);
    wchar_t value[48];
    const DWORD length =
        ::GetPrivateProfileStringW(L"VCameralist", key.c_str(), L"Error", value, 48, file.c_str());
    return Utf8FromWide(std::wstring_view(value, length));
}

} // namespace Kestra
