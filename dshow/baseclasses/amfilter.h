// Filters and pins: CBaseFilter carries the filter state (stopped, paused, running), the
// clock, the graph membership and the pin enumeration, and tells its connected pins about
// state changes; CBasePin implements connection and media-type negotiation for any pin
// (CEnumMediaTypes lists a pin's types through its GetMediaType). A pin's reference count is
// its filter's: pins live exactly as long as the filter that owns them.
//
// Threads: created and destroyed on an application thread; IBaseFilter and IPin calls come
// on application threads (the graph). The filter's m_pLock guards the filter state changes,
// the clock, the graph and the name; pins share that lock (their m_pLock) for the connection:
// m_Connected, m_mt and everything a derived pin sets up in CheckConnect/CompleteConnect.
// Connections change only while the filter is stopped, so a streaming thread may read them
// without the lock while the filter is active. m_State is atomic so that streaming threads can
// ask IsStopped/IsActive without taking the lock that the application thread holds while it
// waits for them to stop. An enumerator is used by one caller at a time.
#pragma once

#include "combase.h"
#include "mtype.h"

#include <dshow.h>

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CBaseFilter(const char *name, LPUNKNOWN pUnk, CCritSec *pLock, REFCLSID clsid,
                HRESULT *phr = nullptr);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    // IPersist: m_clsid.
    STDMETHODIMP GetClassID(CLSID *pClsID) override;

    // IMediaFilter. Stop deactivates every connected pin (the first failure is returned, the
    // filter stops anyway); Pause from stopped activates them; Run pauses first if stopped,
    // then hands tStart to every connected pin.
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE *State) override;
    STDMETHODIMP SetSyncSource(IReferenceClock *pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock **pClock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins **ppEnum) override;
    // By pin name; VFW_E_NOT_FOUND.
    STDMETHODIMP FindPin(LPCWSTR Id, IPin **ppPin) override;
    // The name and the graph (with a reference).
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *pInfo) override;
    // Remembers the graph without a reference: the graph holds the filter, not the reverse.
    STDMETHODIMP JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR *pVendorInfo) override;

    // IAMovieSetup: registration goes through the COM server's class table instead.
    STDMETHODIMP Register() override;
    STDMETHODIMP Unregister() override;

    virtual int GetPinCount() = 0;
    // Null outside 0..GetPinCount()-1; no reference is taken.
    virtual CBasePin *GetPin(int n) = 0;

    bool IsActive() const;
    bool IsStopped() const;
    IFilterGraph *GetFilterGraph() const { return m_pGraph; }

    // Changes whenever pins come or go, so that open enumerators notice.
    LONG GetPinVersion() const { return m_PinVersion.load(); }
    void IncrementPinVersion() { ++m_PinVersion; }

protected:
    std::atomic<FILTER_STATE> m_State{State_Stopped};
    IReferenceClock *m_pClock = nullptr; // with a reference
    REFERENCE_TIME m_tStart = 0;
    CLSID m_clsid;
    CCritSec *const m_pLock;
    WCHAR *m_pName = nullptr; // given by JoinFilterGraph
    IFilterGraph *m_pGraph = nullptr;

private:
    std::atomic<LONG> m_PinVersion{1};
};

// Lists a filter's pins; VFW_E_ENUM_OUT_OF_SYNC once the pins changed, until Reset.
class CEnumPins : public CUnknown, public IEnumPins {
public:
    // Starts where pEnumPins stands (a clone), or at the first pin when it is null.
    CEnumPins(CBaseFilter *pFilter, const CEnumPins *pEnumPins);
    ~CEnumPins() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    STDMETHODIMP Next(ULONG cPins, IPin **ppPins, ULONG *pcFetched) override;
    STDMETHODIMP Skip(ULONG cPins) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins **ppEnum) override;

private:
    bool OutOfSync() const { return m_Version != m_pFilter->GetPinVersion(); }

    CBaseFilter *const m_pFilter; // with a reference
    int m_Position = 0;
    LONG m_Version;
};

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    CBasePin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock, HRESULT *phr,
             LPCWSTR pName, PIN_DIRECTION dir);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;
    // The filter's count.
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // IPin. Connect with a complete type tries that type only; otherwise the receiver's types
    // and then ours, those matching a partial pmt, until one is accepted on both sides:
    // VFW_E_NO_ACCEPTABLE_TYPES when none is, or a more specific error an attempt gave.
    STDMETHODIMP Connect(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP ReceiveConnection(IPin *pConnector, const AM_MEDIA_TYPE *pmt) override;
    // S_FALSE when not connected.
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin **pPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO *pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION *pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR *Id) override;
    // S_OK or S_FALSE, from CheckMediaType.
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin **apPin, ULONG *nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IQualityControl: the sink is remembered without a reference.
    STDMETHODIMP Notify(IBaseFilter *pSelf, Quality q) override;
    STDMETHODIMP SetSink(IQualityControl *piqc) override;

    // S_OK accepts the type; anything else refuses it.
    virtual HRESULT CheckMediaType(const CMediaType *pmt) = 0;
    // The agreed type: stored in m_mt.
    virtual HRESULT SetMediaType(const CMediaType *pmt);
    // The preferred types at positions 0..; VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int iPosition, CMediaType *pMediaType);
    // Before each connection attempt: the peer must have the other direction.
    virtual HRESULT CheckConnect(IPin *pPin);
    // Undoes CheckConnect/CompleteConnect after a failed attempt or on Disconnect.
    virtual HRESULT BreakConnect();
    // After both sides agreed on m_mt.
    virtual HRESULT CompleteConnect(IPin *pReceivePin);
    // The filter is leaving/entering the stopped state, or starts running at tStart.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME tStart);

    bool IsConnected() const { return m_Connected != nullptr; }
    // No reference is taken.
    IPin *GetConnected() const { return m_Connected; }
    bool IsStopped() const { return m_pFilter->IsStopped(); }
    LPCWSTR Name() const { return m_pName; }

protected:
    WCHAR *m_pName;
    IPin *m_Connected = nullptr; // with a reference
    PIN_DIRECTION m_dir;
    CCritSec *const m_pLock;
    CBaseFilter *const m_pFilter;
    IQualityControl *m_pQSink = nullptr;
    CMediaType m_mt;
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = 0;
    double m_dRate = 1.0;

private:
    HRESULT AgreeMediaType(IPin *pReceivePin, const CMediaType *pmt);
    // Tries every type of pEnum that matches pmt (any when null).
    HRESULT TryMediaTypes(IPin *pReceivePin, const CMediaType *pmt, IEnumMediaTypes *pEnum);
    HRESULT AttemptConnection(IPin *pReceivePin, const CMediaType *pmt);
    // Forgets the peer after a failed attempt.
    void AbandonConnection();
};

// Lists a pin's media types as its GetMediaType gives them.
class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
public:
    // Starts where pEnumMediaTypes stands (a clone), or at the first type when it is null.
    CEnumMediaTypes(CBasePin *pPin, const CEnumMediaTypes *pEnumMediaTypes);
    ~CEnumMediaTypes() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;

    // Each type is a task-memory copy the caller frees with DeleteMediaType.
    STDMETHODIMP Next(ULONG cMediaTypes, AM_MEDIA_TYPE **ppMediaTypes, ULONG *pcFetched) override;
    STDMETHODIMP Skip(ULONG cMediaTypes) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes **ppEnum) override;

private:
    CBasePin *const m_pPin; // with a reference
    int m_Position = 0;
};
