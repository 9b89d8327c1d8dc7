#include "systemclock.h"

#include <chrono>

STDMETHODIMP SystemClock::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IReferenceClock) {
        *ppv = static_cast<IReferenceClock *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SystemClock::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) SystemClock::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP SystemClock::GetTime(REFERENCE_TIME *pTime) {
    if (!pTime)
        return E_POINTER;
    using Units = std::chrono::duration<REFERENCE_TIME, std::ratio<1, 10'000'000>>;
    *pTime = std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch())
                 .count();
    return S_OK;
}

STDMETHODIMP SystemClock::AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR *) {
    return E_NOTIMPL;
}

STDMETHODIMP SystemClock::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR *) {
    return E_NOTIMPL;
}

STDMETHODIMP SystemClock::Unadvise(DWORD_PTR) {
    return E_NOTIMPL;
}
