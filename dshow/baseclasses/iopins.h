// The pins that move samples through IMemInputPin. CBaseOutputPin agrees on an allocator when
// it connects (the input pin's, else a CMemAllocator of its own, sized by DecideBufferSize),
// commits it while the filter is active and hands samples downstream with Deliver.
// CBaseInputPin is the receiving end, for sink filters: it offers a CMemAllocator, remembers
// the allocator the output pin chose and checks the streaming state in Receive.
//
// Threads: connection and state calls on application threads under the filter's lock (the
// pins' m_pLock), which guards m_pAllocator and m_pInputPin; those change only while the
// filter is stopped. GetDeliveryBuffer/Deliver run on the upstream streaming thread and
// Receive on the thread that delivers, both without the lock. m_bFlushing is atomic for that
// reason.
#pragma once

#include "allocator.h"
#include "amfilter.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock, HRESULT *phr,
                   LPCWSTR pName);
    // Releases the allocator and the peer's IMemInputPin if the pin is still connected.
    ~CBaseOutputPin() override;

    // Gets the peer's IMemInputPin.
    HRESULT CheckConnect(IPin *pPin) override;
    // DecideAllocator.
    HRESULT CompleteConnect(IPin *pReceivePin) override;
    // Drops the allocator (decommitted) and the peer's IMemInputPin.
    HRESULT BreakConnect() override;

    // Fills pProperties (pre-set with the input pin's requirements, cbAlign at least 1) into
    // pAlloc->SetProperties.
    virtual HRESULT DecideBufferSize(IMemAllocator *pAlloc, ALLOCATOR_PROPERTIES *pProperties) = 0;
    // The input pin's allocator if it has one and it takes our sizes, else InitAllocator's;
    // the choice is passed to NotifyAllocator.
    virtual HRESULT DecideAllocator(IMemInputPin *pPin, IMemAllocator **ppAlloc);
    // A new CMemAllocator.
    virtual HRESULT InitAllocator(IMemAllocator **ppAlloc);

    // A sample from the agreed allocator; waits for one to come back when all are out.
    virtual HRESULT GetDeliveryBuffer(IMediaSample **ppSample, REFERENCE_TIME *pStartTime,
                                      REFERENCE_TIME *pEndTime, DWORD dwFlags);
    // Passes the sample to the input pin (S_OK: keep going; S_FALSE: the peer wants no more).
    virtual HRESULT Deliver(IMediaSample *pSample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    // Commits / decommits the allocator.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Control calls that only input pins take: E_UNEXPECTED.
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

protected:
    IMemAllocator *m_pAllocator = nullptr; // with a reference
    IMemInputPin *m_pInputPin = nullptr;   // with a reference
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock, HRESULT *phr,
                  LPCWSTR pName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    // IMemInputPin
    // Ours (a CMemAllocator made on first use), with a reference.
    STDMETHODIMP GetAllocator(IMemAllocator **ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator *pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES *pProps) override;
    // Checks the streaming state and a type carried by the sample; derived classes call this
    // first and consume the sample when it returns S_OK.
    STDMETHODIMP Receive(IMediaSample *pSample) override;
    // Receive for each sample until one is not S_OK.
    STDMETHODIMP ReceiveMultiple(IMediaSample **pSamples, LONG nSamples,
                                 LONG *nSamplesProcessed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT BreakConnect() override;
    // Leaves flushing and decommits the allocator, waking an upstream thread waiting in
    // GetBuffer.
    HRESULT Inactive() override;

    // VFW_E_WRONG_STATE when stopped, S_FALSE while flushing, else S_OK.
    HRESULT CheckStreaming();

protected:
    IMemAllocator *m_pAllocator = nullptr; // with a reference
    BOOL m_bReadOnly = FALSE;
    std::atomic<bool> m_bFlushing{false};
};
