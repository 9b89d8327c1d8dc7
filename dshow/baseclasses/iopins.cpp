#include "iopins.h"

// ---- CBaseOutputPin

CBaseOutputPin::CBaseOutputPin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock,
                               HRESULT *phr, LPCWSTR pName)
    : CBasePin(objectName, pFilter, pLock, phr, pName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
    // As with the peer in ~CBasePin: a fallback for a filter let go while still connected.
    BreakConnect();
}

HRESULT CBaseOutputPin::CheckConnect(IPin *pPin) {
    const HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr)) {
        return hr;
    }
    return pPin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void **>(&m_pInputPin));
}

HRESULT CBaseOutputPin::CompleteConnect(IPin * /*pReceivePin*/) {
    return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pAllocator != nullptr) {
        const HRESULT hr = m_pAllocator->Decommit();
        if (FAILED(hr)) {
            return hr;
        }
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInputPin != nullptr) {
        m_pInputPin->Release();
        m_pInputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin *pPin, IMemAllocator **ppAlloc) {
    *ppAlloc = nullptr;
    ALLOCATOR_PROPERTIES props{};
    pPin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) {
        props.cbAlign = 1;
    }
    // The input pin's allocator first, then our own.
    HRESULT hr = pPin->GetAllocator(ppAlloc);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (SUCCEEDED(hr)) {
            hr = DecideBufferSize(*ppAlloc, &props);
        }
        if (SUCCEEDED(hr)) {
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
        }
        if (SUCCEEDED(hr)) {
            return S_OK;
        }
        if (*ppAlloc != nullptr) {
            (*ppAlloc)->Release();
            *ppAlloc = nullptr;
        }
        if (attempt == 0) {
            hr = InitAllocator(ppAlloc);
        }
    }
    return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator **ppAlloc) {
    return CreateMemAllocator(ppAlloc);
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample **ppSample, REFERENCE_TIME *pStartTime,
                                          REFERENCE_TIME *pEndTime, DWORD dwFlags) {
    if (m_pAllocator == nullptr) {
        return E_NOINTERFACE;
    }
    return m_pAllocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample *pSample) {
    if (m_pInputPin == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return m_pInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    if (m_Connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    if (m_Connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    if (m_Connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return m_Connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                          double dRate) {
    if (m_Connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return m_Connected->NewSegment(tStart, tStop, dRate);
}

HRESULT CBaseOutputPin::Active() {
    if (m_pAllocator == nullptr) {
        return VFW_E_NO_ALLOCATOR;
    }
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
    if (m_pAllocator == nullptr) {
        return VFW_E_NO_ALLOCATOR;
    }
    return m_pAllocator->Decommit();
}

STDMETHODIMP CBaseOutputPin::EndOfStream() {
    return E_UNEXPECTED;
}

STDMETHODIMP CBaseOutputPin::BeginFlush() {
    return E_UNEXPECTED;
}

STDMETHODIMP CBaseOutputPin::EndFlush() {
    return E_UNEXPECTED;
}

// ---- CBaseInputPin

CBaseInputPin::CBaseInputPin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock,
                             HRESULT *phr, LPCWSTR pName)
    : CBasePin(objectName, pFilter, pLock, phr, pName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
    if (m_pAllocator != nullptr) {
        m_pAllocator->Release();
    }
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IMemInputPin)) {
        return GetInterface(static_cast<IMemInputPin *>(this), ppv);
    }
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator **ppAllocator) {
    if (ppAllocator == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    if (m_pAllocator == nullptr) {
        const HRESULT hr = CreateMemAllocator(&m_pAllocator);
        if (FAILED(hr)) {
            *ppAllocator = nullptr;
            return hr;
        }
    }
    m_pAllocator->AddRef();
    *ppAllocator = m_pAllocator;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator *pAllocator, BOOL bReadOnly) {
    if (pAllocator == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    pAllocator->AddRef();
    if (m_pAllocator != nullptr) {
        m_pAllocator->Release();
    }
    m_pAllocator = pAllocator;
    m_bReadOnly = bReadOnly;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES * /*pProps*/) {
    return E_NOTIMPL;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample *pSample) {
    if (pSample == nullptr) {
        return E_POINTER;
    }
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) {
        return hr;
    }
    AM_MEDIA_TYPE *pmt = nullptr;
    if (pSample->GetMediaType(&pmt) != S_OK) {
        return S_OK;
    }
    HRESULT hrType = S_OK;
    const CMediaType mt(*pmt, &hrType);
    DeleteMediaType(pmt);
    if (FAILED(hrType)) {
        return hrType;
    }
    return CheckMediaType(&mt) == S_OK ? S_OK : VFW_E_INVALIDMEDIATYPE;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample **pSamples, LONG nSamples,
                                            LONG *nSamplesProcessed) {
    if (pSamples == nullptr || nSamplesProcessed == nullptr) {
        return E_POINTER;
    }
    HRESULT hr = S_OK;
    *nSamplesProcessed = 0;
    while (*nSamplesProcessed < nSamples) {
        hr = Receive(pSamples[*nSamplesProcessed]);
        if (hr != S_OK) {
            break;
        }
        ++*nSamplesProcessed;
    }
    return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() {
    return S_OK;
}

STDMETHODIMP CBaseInputPin::BeginFlush() {
    m_bFlushing = true;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
    m_bFlushing = false;
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
    if (m_pAllocator != nullptr) {
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
    m_bFlushing = false;
    if (m_pAllocator == nullptr) {
        return VFW_E_NO_ALLOCATOR;
    }
    return m_pAllocator->Decommit();
}

HRESULT CBaseInputPin::CheckStreaming() {
    if (IsStopped()) {
        return VFW_E_WRONG_STATE;
    }
    return m_bFlushing ? S_FALSE : S_OK;
}
