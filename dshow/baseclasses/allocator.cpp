#include "allocator.h"

#include "mtype.h"

#include <new>

// ---- CMediaSample

CMediaSample::CMediaSample(const char *name, CBaseAllocator *pAllocator, HRESULT * /*phr*/,
                           LPBYTE pBuffer, LONG length)
    : CBaseObject(name), m_pAllocator(pAllocator), m_pBuffer(pBuffer), m_cbBuffer(length),
      m_lActual(length) {}

CMediaSample::~CMediaSample() {
    DeleteMediaType(m_pMediaType);
}

STDMETHODIMP CMediaSample::QueryInterface(REFIID riid, void **ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    if (IsEqualGUID(riid, IID_IMediaSample) || IsEqualGUID(riid, IID_IUnknown)) {
        return GetInterface(static_cast<IMediaSample *>(this), ppv);
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMediaSample::AddRef() {
    return static_cast<ULONG>(++m_cRef);
}

STDMETHODIMP_(ULONG) CMediaSample::Release() {
    const LONG count = --m_cRef;
    if (count == 0) {
        Reset();
        // May free this sample (a decommitted pool) and the allocator.
        m_pAllocator->ReleaseBuffer(this);
    }
    return static_cast<ULONG>(count);
}

void CMediaSample::Reset() {
    m_lActual = m_cbBuffer;
    m_timeValid = m_stopValid = m_mediaTimeValid = false;
    m_syncPoint = m_preroll = m_discontinuity = false;
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
}

STDMETHODIMP CMediaSample::GetPointer(BYTE **ppBuffer) {
    if (ppBuffer == nullptr) {
        return E_POINTER;
    }
    *ppBuffer = m_pBuffer;
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetSize() {
    return m_cbBuffer;
}

STDMETHODIMP CMediaSample::GetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) {
    if (pTimeStart == nullptr || pTimeEnd == nullptr) {
        return E_POINTER;
    }
    if (!m_timeValid) {
        return VFW_E_SAMPLE_TIME_NOT_SET;
    }
    *pTimeStart = m_start;
    if (!m_stopValid) {
        *pTimeEnd = m_start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *pTimeEnd = m_end;
    return S_OK;
}

STDMETHODIMP CMediaSample::SetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) {
    m_timeValid = pTimeStart != nullptr;
    m_stopValid = m_timeValid && pTimeEnd != nullptr;
    if (m_timeValid) {
        m_start = *pTimeStart;
    }
    if (m_stopValid) {
        m_end = *pTimeEnd;
    }
    return S_OK;
}

STDMETHODIMP CMediaSample::IsSyncPoint() {
    return m_syncPoint ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
    m_syncPoint = bIsSyncPoint != FALSE;
    return S_OK;
}

STDMETHODIMP CMediaSample::IsPreroll() {
    return m_preroll ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetPreroll(BOOL bIsPreroll) {
    m_preroll = bIsPreroll != FALSE;
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetActualDataLength() {
    return m_lActual;
}

STDMETHODIMP CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_cbBuffer) {
        return VFW_E_BUFFER_OVERFLOW;
    }
    m_lActual = length;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaType(AM_MEDIA_TYPE **ppMediaType) {
    if (ppMediaType == nullptr) {
        return E_POINTER;
    }
    if (m_pMediaType == nullptr) {
        *ppMediaType = nullptr;
        return S_FALSE;
    }
    *ppMediaType = CreateMediaType(m_pMediaType);
    return *ppMediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMediaSample::SetMediaType(AM_MEDIA_TYPE *pMediaType) {
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    if (pMediaType == nullptr) {
        return S_OK;
    }
    m_pMediaType = CreateMediaType(pMediaType);
    return m_pMediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMediaSample::IsDiscontinuity() {
    return m_discontinuity ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetDiscontinuity(BOOL bDiscontinuity) {
    m_discontinuity = bDiscontinuity != FALSE;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaTime(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) {
    if (pTimeStart == nullptr || pTimeEnd == nullptr) {
        return E_POINTER;
    }
    if (!m_mediaTimeValid) {
        return VFW_E_MEDIA_TIME_NOT_SET;
    }
    *pTimeStart = m_mediaStart;
    *pTimeEnd = m_mediaEnd;
    return S_OK;
}

STDMETHODIMP CMediaSample::SetMediaTime(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) {
    if (pTimeStart == nullptr) {
        m_mediaTimeValid = false;
        return S_OK;
    }
    if (pTimeEnd == nullptr) {
        return E_POINTER;
    }
    m_mediaStart = *pTimeStart;
    m_mediaEnd = *pTimeEnd;
    m_mediaTimeValid = true;
    return S_OK;
}

// ---- CBaseAllocator

CBaseAllocator::CBaseAllocator(const char *name, LPUNKNOWN pUnk, HRESULT *phr)
    : CUnknown(name, pUnk, phr) {}

STDMETHODIMP CBaseAllocator::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IMemAllocator)) {
        return GetInterface(static_cast<IMemAllocator *>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES *pRequest,
                                           ALLOCATOR_PROPERTIES *pActual) {
    if (pRequest == nullptr || pActual == nullptr) {
        return E_POINTER;
    }
    const LONG alignment = pRequest->cbAlign == 0 ? 1 : pRequest->cbAlign;
    if (alignment < 0 || (alignment & (alignment - 1)) != 0) {
        return VFW_E_BADALIGN;
    }
    if (pRequest->cBuffers < 0 || pRequest->cbBuffer < 0 || pRequest->cbPrefix < 0) {
        return E_INVALIDARG;
    }
    std::lock_guard lock(m_mutex);
    if (m_bCommitted) {
        return VFW_E_ALREADY_COMMITTED;
    }
    if (m_lAllocated != m_lFree) {
        return VFW_E_BUFFERS_OUTSTANDING;
    }
    m_lCount = pRequest->cBuffers;
    m_lSize = pRequest->cbBuffer;
    m_lAlignment = alignment;
    m_lPrefix = pRequest->cbPrefix;
    *pActual = ALLOCATOR_PROPERTIES{m_lCount, m_lSize, m_lAlignment, m_lPrefix};
    return S_OK;
}

STDMETHODIMP CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES *pProps) {
    if (pProps == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_mutex);
    *pProps = ALLOCATOR_PROPERTIES{m_lCount, m_lSize, m_lAlignment, m_lPrefix};
    return S_OK;
}

STDMETHODIMP CBaseAllocator::Commit() {
    std::lock_guard lock(m_mutex);
    if (m_bCommitted) {
        return S_OK;
    }
    if (m_bDecommitInProgress) {
        // The pool still exists: keep it.
        m_bDecommitInProgress = false;
        m_bCommitted = true;
        return S_OK;
    }
    if (m_lCount <= 0 || m_lSize <= 0) {
        return VFW_E_SIZENOTSET;
    }
    const HRESULT hr = Alloc();
    if (FAILED(hr)) {
        return hr;
    }
    m_bCommitted = true;
    return S_OK;
}

STDMETHODIMP CBaseAllocator::Decommit() {
    std::lock_guard lock(m_mutex);
    if (!m_bCommitted) {
        return S_OK;
    }
    m_bCommitted = false;
    if (m_lFree == m_lAllocated) {
        Free();
    } else {
        m_bDecommitInProgress = true;
    }
    m_freeChanged.notify_all();
    return S_OK;
}

STDMETHODIMP CBaseAllocator::GetBuffer(IMediaSample **ppBuffer, REFERENCE_TIME * /*pStartTime*/,
                                       REFERENCE_TIME * /*pEndTime*/, DWORD dwFlags) {
    if (ppBuffer == nullptr) {
        return E_POINTER;
    }
    *ppBuffer = nullptr;
    CMediaSample *pSample = nullptr;
    {
        std::unique_lock lock(m_mutex);
        while (m_bCommitted && m_pFreeList == nullptr) {
            if ((dwFlags & AM_GBF_NOWAIT) != 0) {
                return VFW_E_TIMEOUT;
            }
            m_freeChanged.wait(lock);
        }
        if (!m_bCommitted) {
            return VFW_E_NOT_COMMITTED;
        }
        pSample = PopFree();
        pSample->m_cRef = 1;
    }
    // Released in ReleaseBuffer when the sample comes back.
    AddRef();
    *ppBuffer = pSample;
    return S_OK;
}

STDMETHODIMP CBaseAllocator::ReleaseBuffer(IMediaSample *pBuffer) {
    if (pBuffer == nullptr) {
        return E_POINTER;
    }
    {
        std::lock_guard lock(m_mutex);
        PushFree(static_cast<CMediaSample *>(pBuffer));
        if (m_bDecommitInProgress && m_lFree == m_lAllocated) {
            m_bDecommitInProgress = false;
            Free();
        }
        m_freeChanged.notify_one();
    }
    // The sample's reference on its allocator; this may delete the allocator.
    Release();
    return S_OK;
}

void CBaseAllocator::PushFree(CMediaSample *pSample) {
    pSample->m_pNext = m_pFreeList;
    m_pFreeList = pSample;
    ++m_lFree;
}

CMediaSample *CBaseAllocator::PopFree() {
    CMediaSample *pSample = m_pFreeList;
    if (pSample != nullptr) {
        m_pFreeList = pSample->m_pNext;
        pSample->m_pNext = nullptr;
        --m_lFree;
    }
    return pSample;
}

// ---- CMemAllocator

CMemAllocator::CMemAllocator(const char *name, LPUNKNOWN pUnk, HRESULT *phr)
    : CBaseAllocator(name, pUnk, phr) {}

CMemAllocator::~CMemAllocator() {
    // Every sample handed out holds a reference, so all are back by now.
    std::lock_guard lock(m_mutex);
    if (m_lAllocated != 0) {
        Free();
    }
}

HRESULT CMemAllocator::Alloc() {
    // Each buffer starts on the alignment; its prefix sits just before it.
    const size_t align = static_cast<size_t>(m_lAlignment);
    const size_t prefix = static_cast<size_t>(m_lPrefix);
    const size_t stride = (prefix + static_cast<size_t>(m_lSize) + align - 1) / align * align;
    const size_t total = stride * static_cast<size_t>(m_lCount) + align;
    m_memory.reset(new (std::nothrow) BYTE[total]);
    if (!m_memory) {
        return E_OUTOFMEMORY;
    }
    const auto start = reinterpret_cast<uintptr_t>(m_memory.get()) + prefix;
    BYTE *first = m_memory.get() + (prefix + (align - start % align) % align);
    for (LONG i = 0; i < m_lCount; ++i) {
        auto *pSample = new (std::nothrow) CMediaSample(
            "CMediaSample", this, nullptr, first + stride * static_cast<size_t>(i), m_lSize);
        if (pSample == nullptr) {
            Free();
            return E_OUTOFMEMORY;
        }
        PushFree(pSample);
        ++m_lAllocated;
    }
    return S_OK;
}

void CMemAllocator::Free() {
    while (CMediaSample *pSample = PopFree()) {
        delete pSample;
    }
    m_lAllocated = 0;
    m_memory.reset();
}

HRESULT CreateMemAllocator(IMemAllocator **ppAllocator) {
    if (ppAllocator == nullptr) {
        return E_POINTER;
    }
    *ppAllocator = nullptr;
    HRESULT hr = S_OK;
    auto *pAllocator = new (std::nothrow) CMemAllocator("CMemAllocator", nullptr, &hr);
    if (pAllocator == nullptr) {
        return E_OUTOFMEMORY;
    }
    pAllocator->NonDelegatingAddRef();
    *ppAllocator = pAllocator;
    return S_OK;
}
