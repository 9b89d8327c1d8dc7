#include "dllentry.h"

#include "classtable.h"
#include "convert/placeholder.h"
#include "platform/moduleinfo.h"
#include "registerfilters.h"

#include <new>

namespace {

HINSTANCE g_hInst = nullptr;
DWORD g_dwSystemVersion = 0;

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
