// Sample memory: CBaseAllocator keeps a pool of media samples that a source fills and hands
// downstream; a sample returns to the pool when its last reference goes. Commit makes the
// pool usable, Decommit stops handing out samples (waiters wake with VFW_E_NOT_COMMITTED) and
// frees the memory once every sample is back. CMemAllocator places the samples in one block
// of ordinary memory; CMediaSample is one buffer with its times, flags and optional type.
//
// Threads: an allocator is created by the pin that connects (application thread); GetBuffer
// comes on a streaming thread, samples are released on whichever thread holds them last
// (streaming or downstream worker), Commit/Decommit on application threads. m_mutex guards
// every member of the allocator, including the free list; m_freeChanged signals a returned
// sample or a decommit. Each sample handed out holds a reference on its allocator, so the
// pool outlives its last outstanding sample. A sample's own fields are used by one holder at
// a time (whoever has the reference passes it on) and are not locked.
#pragma once

#include "combase.h"

#include <dshow.h>

#include <condition_variable>
#include <memory>
#include <mutex>

class CBaseAllocator;

class CMediaSample : public CBaseObject, public IMediaSample {
public:
    // A view of length bytes at pBuffer, owned by the allocator.
    CMediaSample(const char *name, CBaseAllocator *pAllocator, HRESULT *phr, LPBYTE pBuffer,
                 LONG length);
    ~CMediaSample() override;

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    // At 0 the sample goes back to its allocator (it is not deleted).
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetPointer(BYTE **ppBuffer) override;
    STDMETHODIMP_(LONG) GetSize() override;
    // S_OK with both times, VFW_S_NO_STOP_TIME with the start only (the end is start + 1),
    // VFW_E_SAMPLE_TIME_NOT_SET without.
    STDMETHODIMP GetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) override;
    // A null start clears both times; a null end sets the start alone.
    STDMETHODIMP SetTime(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL bIsSyncPoint) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL bIsPreroll) override;
    STDMETHODIMP_(LONG) GetActualDataLength() override;
    // VFW_E_BUFFER_OVERFLOW outside 0..GetSize().
    STDMETHODIMP SetActualDataLength(LONG length) override;
    // S_FALSE and null when the type did not change with this sample; else a task-memory copy.
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE **ppMediaType) override;
    // Null clears the type.
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE *pMediaType) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL bDiscontinuity) override;
    STDMETHODIMP GetMediaTime(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) override;
    STDMETHODIMP SetMediaTime(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) override;

private:
    friend class CBaseAllocator;

    // Back to a blank sample: no times, flags or type, full length.
    void Reset();

    CBaseAllocator *const m_pAllocator;
    BYTE *const m_pBuffer;
    const LONG m_cbBuffer;
    std::atomic<LONG> m_cRef{0};
    LONG m_lActual;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_end = 0;
    LONGLONG m_mediaStart = 0;
    LONGLONG m_mediaEnd = 0;
    bool m_timeValid = false;
    bool m_stopValid = false;
    bool m_mediaTimeValid = false;
    bool m_syncPoint = false;
    bool m_preroll = false;
    bool m_discontinuity = false;
    AM_MEDIA_TYPE *m_pMediaType = nullptr;
    // Free-list link, guarded by the allocator's m_mutex.
    CMediaSample *m_pNext = nullptr;
};

class CBaseAllocator : public CUnknown, public IMemAllocator {
public:
    CBaseAllocator(const char *name, LPUNKNOWN pUnk, HRESULT *phr);

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    // Takes effect at the next Commit. VFW_E_ALREADY_COMMITTED while committed,
    // VFW_E_BUFFERS_OUTSTANDING while samples of a decommitted pool are still out,
    // VFW_E_BADALIGN unless cbAlign is a power of two (0 counts as 1).
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES *pRequest,
                               ALLOCATOR_PROPERTIES *pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES *pProps) override;
    // VFW_E_SIZENOTSET before SetProperties gave a size and a count.
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    // Waits for a free sample unless AM_GBF_NOWAIT (then VFW_E_TIMEOUT); VFW_E_NOT_COMMITTED
    // when not committed or decommitted while waiting.
    STDMETHODIMP GetBuffer(IMediaSample **ppBuffer, REFERENCE_TIME *pStartTime,
                           REFERENCE_TIME *pEndTime, DWORD dwFlags) override;
    // Called by a sample of this allocator whose count dropped to 0.
    STDMETHODIMP ReleaseBuffer(IMediaSample *pBuffer) override;

protected:
    // Creates m_lCount samples on the free list; called with m_mutex held.
    virtual HRESULT Alloc() = 0;
    // Deletes the samples (all are free) and their memory; called with m_mutex held.
    virtual void Free() = 0;

    // Free-list access for Alloc and Free.
    void PushFree(CMediaSample *pSample);
    CMediaSample *PopFree();

    std::mutex m_mutex;
    std::condition_variable m_freeChanged;
    CMediaSample *m_pFreeList = nullptr;
    LONG m_lFree = 0;
    LONG m_lAllocated = 0;
    LONG m_lCount = 0;
    LONG m_lSize = 0;
    LONG m_lAlignment = 1;
    LONG m_lPrefix = 0;
    bool m_bCommitted = false;
    // Decommitted while samples were out: the last one back frees the pool.
    bool m_bDecommitInProgress = false;
};

class CMemAllocator : public CBaseAllocator {
public:
    CMemAllocator(const char *name, LPUNKNOWN pUnk, HRESULT *phr);
    ~CMemAllocator() override;

private:
    HRESULT Alloc() override;
    void Free() override;

    std::unique_ptr<BYTE[]> m_memory;
};

// A new CMemAllocator as IMemAllocator, with one reference for the caller.
HRESULT CreateMemAllocator(IMemAllocator **ppAllocator);
