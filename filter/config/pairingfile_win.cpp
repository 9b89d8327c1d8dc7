#include "pairingfile.h"

#include "configfolder.h"
#include "platform/wintext.h"
#include "vcam/pairingfile.h"

#include <windows.h>

namespace Kestra {

std::string ReadPairedCameraAddress(int slot) {
    const std::filesystem::path file =
        KestraLiveFolder() / WideFromUtf8(vconfig::iniFolder) / WideFromUtf8(vconfig::fileName);
    const std::wstring section = WideFromUtf8(vconfig::section);
    const std::wstring key = WideFromUtf8(vconfig::slotKey(slot));
    wchar_t value[48];
    const DWORD length =
        ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"Error", value, 48, file.c_str());
    return Utf8FromWide(std::wstring_view(value, length));
}

} // namespace Kestra
