// The graph's reference clock: steady time in 100 ns units, never going backwards. Created by
// FilterGraph::SetDefaultSyncSource; filters on any thread call GetTime. Reference counted; the
// only state is the count. Advise requests are not supported (no filter here waits on them).
#pragma once

#include <dshow.h>

#include <atomic>

class SystemClock final : public IReferenceClock {
public:
    // Returns a clock holding one reference.
    static SystemClock *Create() { return new SystemClock(); }

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTime(REFERENCE_TIME *pTime) override;
    STDMETHODIMP AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT hEvent,
                            DWORD_PTR *pdwAdviseCookie) override;
    STDMETHODIMP AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                HSEMAPHORE hSemaphore, DWORD_PTR *pdwAdviseCookie) override;
    STDMETHODIMP Unadvise(DWORD_PTR dwAdviseCookie) override;

private:
    SystemClock() = default;
    ~SystemClock() = default;

    std::atomic<ULONG> m_refs{1};
};
