// What a COM server library needs to hand out its filters: CFactoryTemplate, one row of the
// server's class table (name, class identifier, creation function, registration data), and
// CClassFactory, the IClassFactory that DllGetClassObject returns for one row. The
// AMOVIESETUP_* structures describe a filter for registration with the filter mapper.
//
// Threads: factories are created and called on application threads. Their reference counts
// and the module-wide server lock count are atomic; a template is constant data.
#pragma once

#include "combase.h"

#include <dshow.h>

using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
using AMOVIESETUP_PIN = REGFILTERPINS;

struct AMOVIESETUP_FILTER {
    const CLSID *clsID;
    const WCHAR *strName;
    DWORD dwMerit;
    UINT nPins;
    const AMOVIESETUP_PIN *lpPin;
};

// Creates the object with no references taken; on failure it returns null or sets *phr.
using LPFNNewCOMObject = CUnknown *(*)(LPUNKNOWN pUnkOuter, HRESULT *phr);
// Called when the library loads (TRUE) or unloads (FALSE).
using LPFNInitRoutine = void (*)(BOOL bLoading, const CLSID *rclsid);

struct CFactoryTemplate {
    const WCHAR *m_Name;
    const CLSID *m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER *m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID rclsid) const { return IsEqualCLSID(*m_ClsID, rclsid) != 0; }
    CUnknown *CreateInstance(LPUNKNOWN pUnk, HRESULT *phr) const { return m_lpfnNew(pUnk, phr); }
};

class CClassFactory : public IClassFactory, public CBaseObject {
public:
    // The reference count starts at 0.
    explicit CClassFactory(const CFactoryTemplate *pTemplate);

    // IID_IUnknown and IID_IClassFactory.
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    // Deletes the factory at 0.
    STDMETHODIMP_(ULONG) Release() override;

    // Aggregation only through IID_IUnknown (else E_NOINTERFACE); the creation function's
    // failure as it reports it, E_OUTOFMEMORY when it returns nothing without saying why;
    // otherwise the object's answer to riid.
    STDMETHODIMP CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void **ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

    // LockServer(TRUE) calls not yet undone, across every factory of the module.
    static LONG ServerLocks();

private:
    const CFactoryTemplate *const m_pTemplate;
    std::atomic<LONG> m_cRef{0};
};
