// A media sample and a memory allocator for driving an output pin's DecideBufferSize and
// FillBuffer without a filter graph. The test owns both (on its stack or in the allocator):
// reference counts are kept for checking but never delete anything.
//
// Not synchronised: used on one thread at a time (the test's, or a thread it joins).
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

class FakeMediaSample : public IMediaSample {
public:
    // size bytes of fill, followed by guard bytes that a writer keeping to GetSize() never
    // touches.
    explicit FakeMediaSample(LONG size, BYTE fill = 0xCD);

    const BYTE *data() const { return m_buffer.data(); }
    std::vector<BYTE> bytes() const;
    bool guardIntact() const;
    bool hasTime() const { return m_start.has_value(); }
    REFERENCE_TIME start() const { return m_start.value_or(-1); }
    REFERENCE_TIME stop() const { return m_stop.value_or(-1); }
    bool isSyncPoint() const { return m_syncPoint; }
    LONG actualLength() const { return m_actual; }

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

    STDMETHODIMP GetPointer(BYTE **ppBuffer) override;
    STDMETHODIMP_(LONG) GetSize() override { return m_size; }
    STDMETHODIMP GetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) override;
    STDMETHODIMP SetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) override;
    STDMETHODIMP IsSyncPoint() override { return m_syncPoint ? S_OK : S_FALSE; }
    STDMETHODIMP SetSyncPoint(BOOL bIsSyncPoint) override;
    STDMETHODIMP IsPreroll() override { return S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL) override { return S_OK; }
    STDMETHODIMP_(LONG) GetActualDataLength() override { return m_actual; }
    STDMETHODIMP SetActualDataLength(LONG length) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE **ppMediaType) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE *) override { return E_NOTIMPL; }
    STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL) override { return S_OK; }
    STDMETHODIMP GetMediaTime(LONGLONG *, LONGLONG *) override { return VFW_E_NOT_FOUND; }
    STDMETHODIMP SetMediaTime(LONGLONG *, LONGLONG *) override { return S_OK; }

private:
    static constexpr size_t kGuardSize = 64;
    static constexpr BYTE kGuard = 0xA5;

    LONG m_size;
    std::vector<BYTE> m_buffer;
    std::optional<REFERENCE_TIME> m_start;
    std::optional<REFERENCE_TIME> m_stop;
    bool m_syncPoint = false;
    LONG m_actual;
    ULONG m_refs = 1;
};

// Records the request and grants it, or grants grantedBufferSize bytes when that is set;
// SetProperties answers setPropertiesResult. Hands out no buffers: tests fill their own samples.
class FakeAllocator : public IMemAllocator {
public:
    HRESULT setPropertiesResult = S_OK;
    std::optional<LONG> grantedBufferSize;
    std::optional<ALLOCATOR_PROPERTIES> requested;

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES *pRequest,
                               ALLOCATOR_PROPERTIES *pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES *pProps) override;
    STDMETHODIMP Commit() override { return S_OK; }
    STDMETHODIMP Decommit() override { return S_OK; }
    STDMETHODIMP GetBuffer(IMediaSample **, REFERENCE_TIME *, REFERENCE_TIME *, DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP ReleaseBuffer(IMediaSample *) override { return S_OK; }

private:
    std::optional<ALLOCATOR_PROPERTIES> m_granted;
    ULONG m_refs = 1;
};
