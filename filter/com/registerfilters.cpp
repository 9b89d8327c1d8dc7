#include "registerfilters.h"

#include "classtable.h"

#include <dshow.h>

#include <cassert>
#include <string>

namespace Kestra {

namespace {

using WideString = std::basic_string<WCHAR>;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and the terminator.
constexpr int kGuidTextSize = 39;

bool IsChosen(CameraSet cameras, int row) {
    return row >= 0 && row < 32 && ((cameras >> row) & 1u) != 0;
}

// A failed call that left no error code must not read as success.
HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// "CLSID\{clsid}", the identifier in the registry form the system's GUID-to-string call gives.
WideString ClassKeyPath(REFCLSID clsid) {
    WCHAR text[kGuidTextSize] = {};
    StringFromGUID2(clsid, text, kGuidTextSize);
    return WideString(OLESTR("CLSID\\")) + text;
}

// Closes the key when the holder goes out of scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;

    LONG Create(HKEY parent, LPCWSTR subKey) { return RegCreateKeyW(parent, subKey, &m_hKey); }

    // pName null sets the key's default value.
    LONG SetString(LPCWSTR pName, LPCWSTR value) const {
        const DWORD bytes =
            static_cast<DWORD>((std::char_traits<WCHAR>::length(value) + 1) * sizeof(WCHAR));
        return RegSetValueExW(m_hKey, pName, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                              bytes);
    }

    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

// The class's name, the library serving it and its threading model.
HRESULT RegisterClassKeys(const CFactoryTemplate &row, LPCWSTR modulePath) {
    RegistryKey classKey;
    RegistryKey serverKey;
    LONG error = classKey.Create(HKEY_CLASSES_ROOT, ClassKeyPath(*row.m_ClsID).c_str());
    if (error == ERROR_SUCCESS)
        error = classKey.SetString(nullptr, row.m_Name);
    if (error == ERROR_SUCCESS)
        error = serverKey.Create(classKey.Get(), OLESTR("InprocServer32"));
    if (error == ERROR_SUCCESS)
        error = serverKey.SetString(nullptr, modulePath);
    if (error == ERROR_SUCCESS)
        error = serverKey.SetString(OLESTR("ThreadingModel"), OLESTR("Both"));
    return HRESULT_FROM_WIN32(error);
}

HRESULT UpdateCategoryEntry(IFilterMapper2 *pMapper, const AMOVIESETUP_FILTER &setup,
                            BOOL bRegister) {
    // When registering, removing first replaces an earlier entry instead of adding a second.
    const HRESULT removed =
        pMapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, *setup.clsID);
    if (!bRegister) {
        // An entry that is not there is already removed: unregistering stays repeatable.
        return removed == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : removed;
    }
    REGFILTER2 rf2 = {};
    rf2.dwVersion = 1;
    rf2.dwMerit = setup.dwMerit;
    rf2.cPins = setup.nPins;
    rf2.rgPins = setup.lpPin;
    IMoniker *pMoniker = nullptr;
    const HRESULT hr = pMapper->RegisterFilter(*setup.clsID, setup.strName, &pMoniker,
                                               &CLSID_VideoInputDeviceCategory, nullptr, &rf2);
    // The mapper hands back the entry's moniker with a reference we own.
    if (pMoniker)
        reinterpret_cast<IUnknown *>(pMoniker)->Release();
    return hr;
}

HRESULT UpdateVideoInputCategory(BOOL bRegister, CameraSet cameras) {
    IFilterMapper2 *pMapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFilterMapper2, reinterpret_cast<void **>(&pMapper));
    if (FAILED(hr))
        return hr;
    for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
        if (IsChosen(cameras, i) && g_Templates[i].m_pAMovieSetup_Filter)
            hr = UpdateCategoryEntry(pMapper, *g_Templates[i].m_pAMovieSetup_Filter, bRegister);
    }
    pMapper->Release();
    return hr;
}

} // namespace

HRESULT RegisterFilters(HINSTANCE module, BOOL bRegister, CameraSet cameras) {
    // A null handle would name the application instead of this library.
    assert(module && "process attach stores the module handle before any export runs");
    // The module path in the system's 8-bit code page (UTF-8 on Linux).
    char achFileName[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, achFileName, MAX_PATH);
    if (length == 0)
        return LastErrorResult();
    // A full buffer holds a cut path: registering it would name a file that does not exist.
    if (length >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    WCHAR achModulePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, achFileName, -1, achModulePath, MAX_PATH) == 0)
        return LastErrorResult();

    const HRESULT hrInit = CoInitialize(nullptr);
    HRESULT hr = S_OK;
    if (bRegister) {
        for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
            if (IsChosen(cameras, i))
                hr = RegisterClassKeys(g_Templates[i], achModulePath);
        }
    }
    if (SUCCEEDED(hr))
        hr = UpdateVideoInputCategory(bRegister, cameras);
    if (!bRegister && SUCCEEDED(hr)) {
        for (int i = 0; i < g_cTemplates; ++i) {
            if (IsChosen(cameras, i))
                RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath(*g_Templates[i].m_ClsID).c_str());
        }
    }
    CoFreeUnusedLibraries();
    // A failed CoInitialize (another threading mode on this thread) is not ours to undo.
    if (SUCCEEDED(hrInit))
        CoUninitialize();
    return hr;
}

} // namespace Kestra
