#include "kestracamera.h"

#include "kestracameraids.h"
#include "kestracamerastream.h"

#include <new>

namespace Kestra {

CKestraCamera::CKestraCamera(LPUNKNOWN pUnk, HRESULT *phr, int slot)
    : CSource(kKestraCameraObjectName, pUnk, CLSID_KestraCamera1, phr) {
    CAutoLock lock(&m_cStateLock);
    // The pin adds itself to the pin array and is deleted with the filter.
    const auto *pin = new (std::nothrow) CKestraCameraStream(phr, this, slot);
    if (!pin && phr)
        *phr = E_OUTOFMEMORY;
}

STDMETHODIMP CKestraCamera::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if ((riid == IID_IAMStreamConfig || riid == IID_IKsPropertySet) && m_iPins > 0)
        return m_paStreams[0]->QueryInterface(riid, ppv);
    return CSource::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CKestraCamera::GetState(DWORD dwMilliSecsTimeout, FILTER_STATE *State) {
    const HRESULT hr = CSource::GetState(dwMilliSecsTimeout, State);
    return hr == S_OK && *State == State_Paused ? VFW_S_CANT_CUE : hr;
}

void CKestraCamera::SetPictureSource(std::unique_ptr<PictureSource> source) {
    CAutoLock lock(&m_cStateLock);
    if (m_iPins > 0)
        static_cast<CKestraCameraStream *>(m_paStreams[0])->SetPictureSource(std::move(source));
}

} // namespace Kestra
