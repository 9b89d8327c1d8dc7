#include "fakemediasample.h"

#include <algorithm>

namespace {

HRESULT AnswerFor(IUnknown *self, REFIID riid, REFIID own, void **ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != own)
        return E_NOINTERFACE;
    self->AddRef();
    *ppv = self;
    return S_OK;
}

} // namespace

FakeMediaSample::FakeMediaSample(LONG size, BYTE fill)
    : m_size(size), m_buffer(static_cast<size_t>(size) + kGuardSize, fill), m_actual(size) {
    std::fill(m_buffer.begin() + size, m_buffer.end(), kGuard);
}

std::vector<BYTE> FakeMediaSample::bytes() const {
    return {m_buffer.begin(), m_buffer.begin() + m_size};
}

bool FakeMediaSample::guardIntact() const {
    return std::all_of(m_buffer.begin() + m_size, m_buffer.end(),
                       [](BYTE b) { return b == kGuard; });
}

STDMETHODIMP FakeMediaSample::QueryInterface(REFIID riid, void **ppv) {
    return AnswerFor(this, riid, IID_IMediaSample, ppv);
}

STDMETHODIMP FakeMediaSample::GetPointer(BYTE **ppBuffer) {
    if (!ppBuffer)
        return E_POINTER;
    *ppBuffer = m_buffer.data();
    return S_OK;
}

STDMETHODIMP FakeMediaSample::GetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) {
    if (!pTimeStart || !pTimeEnd)
        return E_POINTER;
    if (!m_start)
        return VFW_E_NOT_FOUND;
    *pTimeStart = *m_start;
    *pTimeEnd = *m_stop;
    return S_OK;
}

STDMETHODIMP FakeMediaSample::SetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) {
    m_start = pTimeStart ? std::optional(*pTimeStart) : std::nullopt;
    m_stop = pTimeEnd ? std::optional(*pTimeEnd) : std::nullopt;
    return S_OK;
}

STDMETHODIMP FakeMediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
    m_syncPoint = bIsSyncPoint != FALSE;
    return S_OK;
}

STDMETHODIMP FakeMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_size)
        return E_INVALIDARG;
    m_actual = length;
    return S_OK;
}

STDMETHODIMP FakeMediaSample::GetMediaType(AM_MEDIA_TYPE **ppMediaType) {
    if (!ppMediaType)
        return E_POINTER;
    *ppMediaType = nullptr;
    return S_FALSE;
}

STDMETHODIMP FakeAllocator::QueryInterface(REFIID riid, void **ppv) {
    return AnswerFor(this, riid, IID_IMemAllocator, ppv);
}

STDMETHODIMP FakeAllocator::SetProperties(ALLOCATOR_PROPERTIES *pRequest,
                                          ALLOCATOR_PROPERTIES *pActual) {
    if (!pRequest || !pActual)
        return E_POINTER;
    requested = *pRequest;
    if (FAILED(setPropertiesResult))
        return setPropertiesResult;
    ALLOCATOR_PROPERTIES granted = *pRequest;
    if (grantedBufferSize)
        granted.cbBuffer = *grantedBufferSize;
    m_granted = granted;
    *pActual = granted;
    return setPropertiesResult;
}

STDMETHODIMP FakeAllocator::GetProperties(ALLOCATOR_PROPERTIES *pProps) {
    if (!pProps)
        return E_POINTER;
    if (!m_granted)
        return VFW_E_SIZENOTSET;
    *pProps = *m_granted;
    return S_OK;
}
