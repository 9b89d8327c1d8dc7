#include "classfactory.h"

namespace {
std::atomic<LONG> g_serverLocks{0};
}

CClassFactory::CClassFactory(const CFactoryTemplate *pTemplate)
    : CBaseObject("CClassFactory"), m_pTemplate(pTemplate) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void **ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
        return GetInterface(static_cast<IClassFactory *>(this), ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    return static_cast<ULONG>(++m_cRef);
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    const LONG count = --m_cRef;
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP CClassFactory::CreateInstance(LPUNKNOWN pUnkOuter, REFIID riid, void **ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    // An aggregated object must hand its non-delegating IUnknown to the outer one.
    if (pUnkOuter != nullptr && !IsEqualGUID(riid, IID_IUnknown)) {
        return E_NOINTERFACE;
    }
    HRESULT hr = S_OK;
    CUnknown *pObject = m_pTemplate->CreateInstance(pUnkOuter, &hr);
    if (pObject == nullptr) {
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        delete pObject;
        return hr;
    }
    // The query takes the caller's reference; a refused query deletes the object.
    pObject->NonDelegatingAddRef();
    hr = pObject->NonDelegatingQueryInterface(riid, ppv);
    pObject->NonDelegatingRelease();
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock) {
    if (fLock != FALSE) {
        ++g_serverLocks;
    } else {
        --g_serverLocks;
    }
    return S_OK;
}

LONG CClassFactory::ServerLocks() {
    return g_serverLocks.load();
}
