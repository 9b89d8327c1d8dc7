#include "dllentry.h"

#include "classtable.h"
#include "convert/placeholder.h"
#include "platform/moduleinfo.h"
#include "registerfilters.h"

#include <new>

namespace {

HINSTANCE g_hInst = nullptr;
DWORD g_dwSystemVersion = 0;

// ASCII case folding is enough: the command lines we know are ASCII words.
bool EqualsIgnoringCase(LPCWSTR text, const char *word) {
    for (; *text && *word; ++text, ++word) {
        const WCHAR c = *text >= u'A' && *text <= u'Z' ? WCHAR(*text - u'A' + u'a') : *text;
        if (c != static_cast<WCHAR>(*word))
            return false;
    }
    return *text == 0 && *word == 0;
}

void CallInitRoutines(BOOL bLoading) {
    for (int i = 0; i < g_cTemplates; ++i) {
        const CFactoryTemplate &row = g_Templates[i];
        if (row.m_lpfnInit)
            row.m_lpfnInit(bLoading, row.m_ClsID);
    }
}

} // namespace

STDAPI DllGetClassObject(REFCLSID rClsID, REFIID riid, LPVOID *pv) {
    if (!pv)
        return E_POINTER;
    *pv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    for (int i = 0; i < g_cTemplates; ++i) {
        if (!g_Templates[i].IsClassID(rClsID))
            continue;
        CClassFactory *factory = new (std::nothrow) CClassFactory(&g_Templates[i]);
        if (!factory)
            return E_OUTOFMEMORY;
        factory->AddRef();
        *pv = static_cast<IClassFactory *>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

// A factory counts as a live object too, so a caller holding one keeps the server loaded.
STDAPI DllCanUnloadNow() {
    return CClassFactory::ServerLocks() > 0 || CBaseObject::ObjectsActive() != 0 ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    return Kestra::RegisterFilters(g_hInst, TRUE);
}

STDAPI DllUnregisterServer() {
    return Kestra::RegisterFilters(g_hInst, FALSE);
}

// KestraLive's work modes: "single" publishes only the camera the single camera feeds, so a video
// application offers nothing else, and withdraws the others a multi-mode registration left;
// "multi" or no command line publishes all four. Uninstalling withdraws all four whatever the
// mode.
STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
    const bool single = pszCmdLine && EqualsIgnoringCase(pszCmdLine, "single");
    const bool multi = !pszCmdLine || !*pszCmdLine || EqualsIgnoringCase(pszCmdLine, "multi");
    if (!single && !multi)
        return E_INVALIDARG;
    if (!bInstall)
        return Kestra::RegisterFilters(g_hInst, FALSE, Kestra::kAllCameras);
    if (!single)
        return Kestra::RegisterFilters(g_hInst, TRUE, Kestra::kAllCameras);
    const HRESULT hr = Kestra::RegisterFilters(g_hInst, TRUE, Kestra::kFirstCamera);
    if (FAILED(hr))
        return hr;
    return Kestra::RegisterFilters(g_hInst, FALSE, Kestra::kAllCameras & ~Kestra::kFirstCamera);
}

EXTERN_C BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID /*lpReserved*/) {
    g_hInst = hInstance;
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(hInstance);
        g_dwSystemVersion = GetVersion();
        // The placeholder pictures ship beside the library.
        Kestra::SetPlaceholderFolder(Kestra::ModuleFolder());
        CallInitRoutines(TRUE);
        break;
    case DLL_PROCESS_DETACH:
        CallInitRoutines(FALSE);
        break;
    default:
        break;
    }
    return TRUE;
}
