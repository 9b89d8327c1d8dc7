// The COM library: per-thread initialisation counts, task memory, and object creation. The
// filter mapper is served here; every other class comes from the in-process server library
// named by CLSID\{clsid}\InprocServer32.
#include "filtermapper.h"
#include "guidtext.h"
#include "registrystore.h"
#include "serverlibraries.h"
#include "wide.h"

#include <cstdlib>

namespace {

// Nothing depends on initialisation here; the count only gives CoInitialize its S_FALSE.
thread_local int t_initCount = 0;

} // namespace

STDAPI CoInitializeEx(LPVOID, DWORD) {
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

STDAPI CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

STDAPI_(void) CoUninitialize() {
    if (t_initCount > 0)
        --t_initCount;
}

// A zero-byte request still yields a distinct block, as the COM allocator does.
STDAPI_(LPVOID) CoTaskMemAlloc(size_t cb) {
    return std::malloc(cb ? cb : 1);
}

STDAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, size_t cb) {
    if (pv && cb == 0) {
        std::free(pv);
        return nullptr;
    }
    return std::realloc(pv, cb ? cb : 1);
}

STDAPI_(void) CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}

STDAPI CoCreateInstance(REFCLSID rclsid, IUnknown *pUnkOuter, DWORD dwClsContext, REFIID riid,
                        void **ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG; // only in-process servers exist here
    if (rclsid == CLSID_FilterMapper2)
        return FilterMapper::Create(pUnkOuter, riid, ppv);
    const std::string root = RegistryStore::DefaultRoot();
    std::u16string library;
    if (root.empty() ||
        RegistryStore(root).ReadString(u"CLSID\\" + GuidText(rclsid) + u"\\InprocServer32", u"",
                                       &library) != ERROR_SUCCESS ||
        library.empty())
        return REGDB_E_CLASSNOTREG;
    return ServerLibraries::Instance().CreateInstance(ToUtf8(library), rclsid, pUnkOuter, riid,
                                                      ppv);
}

STDAPI_(void) CoFreeUnusedLibraries() {
    ServerLibraries::Instance().FreeUnused();
}
