#include "combase.h"

namespace {
std::atomic<LONG> g_objectsActive{0};
}

CBaseObject::CBaseObject(const char *name) : m_objectName(name) {
    ++g_objectsActive;
}

CBaseObject::~CBaseObject() {
    --g_objectsActive;
}

LONG CBaseObject::ObjectsActive() {
    return g_objectsActive.load();
}

CUnknown::CUnknown(const char *name, LPUNKNOWN pUnk, HRESULT * /*phr: cannot fail*/)
    : CBaseObject(name), m_pUnknown(pUnk != nullptr ? pUnk : &m_inner) {}

STDMETHODIMP CUnknown::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    if (IsEqualGUID(riid, IID_IUnknown)) {
        return GetInterface(&m_inner, ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingAddRef() {
    return static_cast<ULONG>(++m_cRef);
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingRelease() {
    const LONG count = --m_cRef;
    if (count == 0) {
        // A destructor that takes and drops a reference to itself must not delete twice.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP CUnknown::InnerUnknown::QueryInterface(REFIID riid, void **ppv) {
    return m_object->NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CUnknown::InnerUnknown::AddRef() {
    return m_object->NonDelegatingAddRef();
}

STDMETHODIMP_(ULONG) CUnknown::InnerUnknown::Release() {
    return m_object->NonDelegatingRelease();
}

HRESULT GetInterface(LPUNKNOWN pUnk, void **ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
