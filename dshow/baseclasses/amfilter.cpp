#include "amfilter.h"

#include <new>
#include <string>

namespace {

// Hands out a new enumerator holding one reference, as every Enum and Clone call does.
template <class Enumerator, class Interface, class... Args>
HRESULT NewEnumerator(Interface **ppEnum, Args... args) {
    if (ppEnum == nullptr) {
        return E_POINTER;
    }
    auto *pEnum = new (std::nothrow) Enumerator(args...);
    *ppEnum = pEnum;
    if (pEnum == nullptr) {
        return E_OUTOFMEMORY;
    }
    pEnum->AddRef();
    return S_OK;
}

using WideTraits = std::char_traits<WCHAR>;

// A heap copy (delete[]) of s; null for a null s or when out of memory.
WCHAR *NewWideString(LPCWSTR s) {
    if (s == nullptr) {
        return nullptr;
    }
    const size_t length = WideTraits::length(s);
    auto *copy = new (std::nothrow) WCHAR[length + 1];
    if (copy != nullptr) {
        WideTraits::copy(copy, s, length + 1);
    }
    return copy;
}

// Copies s into a fixed array of capacity characters, cut short if need be.
void CopyTruncated(WCHAR *target, size_t capacity, LPCWSTR s) {
    size_t length = s == nullptr ? 0 : WideTraits::length(s);
    if (length >= capacity) {
        length = capacity - 1;
    }
    if (length != 0) {
        WideTraits::copy(target, s, length);
    }
    target[length] = 0;
}

bool SameName(LPCWSTR a, LPCWSTR b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    const size_t length = WideTraits::length(a);
    return length == WideTraits::length(b) && WideTraits::compare(a, b, length) == 0;
}

// Refusals that say nothing beyond "not this type".
bool IsPlainRefusal(HRESULT hr) {
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

// CheckMediaType's verdict as a connection result: only S_OK accepts.
HRESULT AcceptanceResult(HRESULT hr) {
    if (hr == S_OK) {
        return S_OK;
    }
    return SUCCEEDED(hr) || IsPlainRefusal(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
}

// The outcome of several connection attempts: the first specific error wins over the plain
// "no acceptable types".
class AttemptOutcome {
public:
    void Add(HRESULT hr) {
        if (FAILED(hr) && !IsPlainRefusal(hr) && m_hr == VFW_E_NO_ACCEPTABLE_TYPES) {
            m_hr = hr;
        }
    }
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr = VFW_E_NO_ACCEPTABLE_TYPES;
};

} // namespace

// ---- CBaseFilter

CBaseFilter::CBaseFilter(const char *name, LPUNKNOWN pUnk, CCritSec *pLock, REFCLSID clsid,
                         HRESULT *phr)
    : CUnknown(name, pUnk, phr), m_clsid(clsid), m_pLock(pLock) {}

CBaseFilter::~CBaseFilter() {
    delete[] m_pName;
    if (m_pClock != nullptr) {
        m_pClock->Release();
    }
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IBaseFilter)) {
        return GetInterface(static_cast<IBaseFilter *>(this), ppv);
    }
    if (IsEqualGUID(riid, IID_IMediaFilter)) {
        return GetInterface(static_cast<IMediaFilter *>(this), ppv);
    }
    if (IsEqualGUID(riid, IID_IPersist)) {
        return GetInterface(static_cast<IPersist *>(this), ppv);
    }
    if (IsEqualGUID(riid, IID_IAMovieSetup)) {
        return GetInterface(static_cast<IAMovieSetup *>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID *pClsID) {
    if (pClsID == nullptr) {
        return E_POINTER;
    }
    *pClsID = m_clsid;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin *pPin = GetPin(i);
            if (pPin != nullptr && pPin->IsConnected()) {
                const HRESULT hrPin = pPin->Inactive();
                if (FAILED(hrPin) && SUCCEEDED(hr)) {
                    hr = hrPin;
                }
            }
        }
    }
    m_State = State_Stopped;
    return hr;
}

STDMETHODIMP CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin *pPin = GetPin(i);
            if (pPin != nullptr && pPin->IsConnected()) {
                const HRESULT hr = pPin->Active();
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        const HRESULT hr = Pause();
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (m_State != State_Running) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin *pPin = GetPin(i);
            if (pPin != nullptr && pPin->IsConnected()) {
                const HRESULT hr = pPin->Run(tStart);
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD /*dwMilliSecsTimeout*/, FILTER_STATE *State) {
    if (State == nullptr) {
        return E_POINTER;
    }
    *State = m_State;
    return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock *pClock) {
    CAutoLock lock(m_pLock);
    if (pClock != nullptr) {
        pClock->AddRef();
    }
    if (m_pClock != nullptr) {
        m_pClock->Release();
    }
    m_pClock = pClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock **pClock) {
    if (pClock == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    if (m_pClock != nullptr) {
        m_pClock->AddRef();
    }
    *pClock = m_pClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins **ppEnum) {
    return NewEnumerator<CEnumPins>(ppEnum, this, nullptr);
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR Id, IPin **ppPin) {
    if (Id == nullptr || ppPin == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CBasePin *pPin = GetPin(i);
        if (pPin != nullptr && SameName(pPin->Name(), Id)) {
            pPin->AddRef();
            *ppPin = pPin;
            return S_OK;
        }
    }
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO *pInfo) {
    if (pInfo == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    CopyTruncated(pInfo->achName, MAX_FILTER_NAME, m_pName);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph != nullptr) {
        m_pGraph->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pName) {
    CAutoLock lock(m_pLock);
    WCHAR *name = NewWideString(pName);
    if (pName != nullptr && name == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_pGraph = pGraph;
    delete[] m_pName;
    m_pName = name;
    return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR * /*pVendorInfo*/) {
    return E_NOTIMPL;
}

STDMETHODIMP CBaseFilter::Register() {
    return E_NOTIMPL;
}

STDMETHODIMP CBaseFilter::Unregister() {
    return E_NOTIMPL;
}

bool CBaseFilter::IsActive() const {
    const FILTER_STATE state = m_State;
    return state == State_Paused || state == State_Running;
}

bool CBaseFilter::IsStopped() const {
    return m_State == State_Stopped;
}

// ---- CEnumPins

CEnumPins::CEnumPins(CBaseFilter *pFilter, const CEnumPins *pEnumPins)
    : CUnknown("CEnumPins", nullptr), m_pFilter(pFilter),
      m_Position(pEnumPins != nullptr ? pEnumPins->m_Position : 0),
      m_Version(pEnumPins != nullptr ? pEnumPins->m_Version : pFilter->GetPinVersion()) {
    m_pFilter->AddRef();
}

CEnumPins::~CEnumPins() {
    m_pFilter->Release();
}

STDMETHODIMP CEnumPins::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IEnumPins)) {
        return GetInterface(static_cast<IEnumPins *>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CEnumPins::Next(ULONG cPins, IPin **ppPins, ULONG *pcFetched) {
    if (ppPins == nullptr || (pcFetched == nullptr && cPins != 1)) {
        return E_POINTER;
    }
    if (pcFetched != nullptr) {
        *pcFetched = 0;
    }
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    ULONG fetched = 0;
    while (fetched < cPins) {
        CBasePin *pPin = m_pFilter->GetPin(m_Position);
        if (pPin == nullptr) {
            break;
        }
        ++m_Position;
        pPin->AddRef();
        ppPins[fetched++] = pPin;
    }
    if (pcFetched != nullptr) {
        *pcFetched = fetched;
    }
    return fetched == cPins ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG cPins) {
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    const ULONG left = static_cast<ULONG>(m_pFilter->GetPinCount() - m_Position);
    if (cPins > left) {
        m_Position += static_cast<int>(left);
        return S_FALSE;
    }
    m_Position += static_cast<int>(cPins);
    return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
    m_Version = m_pFilter->GetPinVersion();
    m_Position = 0;
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins **ppEnum) {
    if (ppEnum == nullptr) {
        return E_POINTER;
    }
    *ppEnum = nullptr;
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    return NewEnumerator<CEnumPins>(ppEnum, m_pFilter, this);
}

// ---- CBasePin

CBasePin::CBasePin(const char *objectName, CBaseFilter *pFilter, CCritSec *pLock, HRESULT *phr,
                   LPCWSTR pName, PIN_DIRECTION dir)
    : CUnknown(objectName, nullptr), m_pName(NewWideString(pName)), m_dir(dir), m_pLock(pLock),
      m_pFilter(pFilter) {
    if (pName != nullptr && m_pName == nullptr && phr != nullptr) {
        *phr = E_OUTOFMEMORY;
    }
}

CBasePin::~CBasePin() {
    // The graph disconnects pins before it lets the filter go; this is the fallback.
    if (m_Connected != nullptr) {
        m_Connected->Release();
    }
    delete[] m_pName;
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IPin)) {
        return GetInterface(static_cast<IPin *>(this), ppv);
    }
    if (IsEqualGUID(riid, IID_IQualityControl)) {
        return GetInterface(static_cast<IQualityControl *>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() {
    return m_pFilter->AddRef();
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() {
    return m_pFilter->Release();
}

STDMETHODIMP CBasePin::Connect(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt) {
    if (pReceivePin == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!IsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    if (pmt == nullptr) {
        return AgreeMediaType(pReceivePin, nullptr);
    }
    HRESULT hr = S_OK;
    const CMediaType mt(*pmt, &hr);
    if (FAILED(hr)) {
        return hr;
    }
    return AgreeMediaType(pReceivePin, &mt);
}

HRESULT CBasePin::AgreeMediaType(IPin *pReceivePin, const CMediaType *pmt) {
    if (pmt != nullptr && !pmt->IsPartiallySpecified()) {
        return AttemptConnection(pReceivePin, pmt);
    }
    AttemptOutcome outcome;
    IEnumMediaTypes *pEnum = nullptr;
    if (SUCCEEDED(pReceivePin->EnumMediaTypes(&pEnum)) && pEnum != nullptr) {
        const HRESULT hr = TryMediaTypes(pReceivePin, pmt, pEnum);
        pEnum->Release();
        if (SUCCEEDED(hr)) {
            return hr;
        }
        outcome.Add(hr);
    }
    for (int position = 0;; ++position) {
        CMediaType mt;
        if (GetMediaType(position, &mt) != S_OK) {
            break;
        }
        if (pmt == nullptr || mt.MatchesPartial(pmt)) {
            const HRESULT hr = AttemptConnection(pReceivePin, &mt);
            if (SUCCEEDED(hr)) {
                return hr;
            }
            outcome.Add(hr);
        }
    }
    return outcome.Result();
}

HRESULT CBasePin::TryMediaTypes(IPin *pReceivePin, const CMediaType *pmt, IEnumMediaTypes *pEnum) {
    AttemptOutcome outcome;
    AM_MEDIA_TYPE *pMediaType = nullptr;
    ULONG fetched = 0;
    while (pEnum->Next(1, &pMediaType, &fetched) == S_OK && fetched == 1) {
        HRESULT hr = S_OK;
        const CMediaType mt(*pMediaType, &hr);
        DeleteMediaType(pMediaType);
        if (SUCCEEDED(hr) && (pmt == nullptr || mt.MatchesPartial(pmt))) {
            hr = AttemptConnection(pReceivePin, &mt);
            if (SUCCEEDED(hr)) {
                return hr;
            }
        }
        outcome.Add(hr);
    }
    return outcome.Result();
}

HRESULT CBasePin::AttemptConnection(IPin *pReceivePin, const CMediaType *pmt) {
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = AcceptanceResult(CheckMediaType(pmt));
    if (SUCCEEDED(hr)) {
        hr = pReceivePin->ReceiveConnection(this, pmt);
    }
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pReceivePin);
    }
    if (FAILED(hr)) {
        pReceivePin->Disconnect();
        AbandonConnection();
        return hr;
    }
    return S_OK;
}

void CBasePin::AbandonConnection() {
    m_Connected->Release();
    m_Connected = nullptr;
    BreakConnect();
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin *pConnector, const AM_MEDIA_TYPE *pmt) {
    if (pConnector == nullptr || pmt == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    if (m_Connected != nullptr) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!IsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    const CMediaType mt(*pmt, &hr);
    if (SUCCEEDED(hr)) {
        hr = AcceptanceResult(CheckMediaType(&mt));
    }
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pConnector);
    }
    if (FAILED(hr)) {
        AbandonConnection();
        return hr;
    }
    return S_OK;
}

STDMETHODIMP CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (!IsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    if (m_Connected == nullptr) {
        return S_FALSE;
    }
    const HRESULT hr = BreakConnect();
    if (FAILED(hr)) {
        return hr;
    }
    m_Connected->Release();
    m_Connected = nullptr;
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin **pPin) {
    if (pPin == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    *pPin = m_Connected;
    if (m_Connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    m_Connected->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE *pmt) {
    if (pmt == nullptr) {
        return E_POINTER;
    }
    CAutoLock lock(m_pLock);
    if (m_Connected == nullptr) {
        *pmt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO *pInfo) {
    if (pInfo == nullptr) {
        return E_POINTER;
    }
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    CopyTruncated(pInfo->achName, MAX_PIN_NAME, m_pName);
    pInfo->dir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION *pPinDir) {
    if (pPinDir == nullptr) {
        return E_POINTER;
    }
    *pPinDir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR *Id) {
    if (Id == nullptr) {
        return E_POINTER;
    }
    const size_t length = m_pName == nullptr ? 0 : WideTraits::length(m_pName);
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
    if (*Id == nullptr) {
        return E_OUTOFMEMORY;
    }
    CopyTruncated(*Id, length + 1, m_pName);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE *pmt) {
    if (pmt == nullptr) {
        return E_POINTER;
    }
    HRESULT hr = S_OK;
    const CMediaType mt(*pmt, &hr);
    if (FAILED(hr)) {
        return hr;
    }
    return CheckMediaType(&mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes **ppEnum) {
    return NewEnumerator<CEnumMediaTypes>(ppEnum, this, nullptr);
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin ** /*apPin*/, ULONG * /*nPin*/) {
    return E_NOTIMPL;
}

STDMETHODIMP CBasePin::EndOfStream() {
    return S_OK;
}

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

STDMETHODIMP CBasePin::Notify(IBaseFilter * /*pSelf*/, Quality /*q*/) {
    return E_NOTIMPL;
}

STDMETHODIMP CBasePin::SetSink(IQualityControl *piqc) {
    CAutoLock lock(m_pLock);
    m_pQSink = piqc;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType *pmt) {
    return m_mt.Set(*pmt);
}

HRESULT CBasePin::GetMediaType(int /*iPosition*/, CMediaType * /*pMediaType*/) {
    return E_UNEXPECTED;
}

HRESULT CBasePin::CheckConnect(IPin *pPin) {
    PIN_DIRECTION dir = PINDIR_INPUT;
    const HRESULT hr = pPin->QueryDirection(&dir);
    if (FAILED(hr)) {
        return hr;
    }
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
    return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin * /*pReceivePin*/) {
    return S_OK;
}

HRESULT CBasePin::Active() {
    return S_OK;
}

HRESULT CBasePin::Inactive() {
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME /*tStart*/) {
    return S_OK;
}

// ---- CEnumMediaTypes

CEnumMediaTypes::CEnumMediaTypes(CBasePin *pPin, const CEnumMediaTypes *pEnumMediaTypes)
    : CUnknown("CEnumMediaTypes", nullptr), m_pPin(pPin),
      m_Position(pEnumMediaTypes != nullptr ? pEnumMediaTypes->m_Position : 0) {
    m_pPin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() {
    m_pPin->Release();
}

STDMETHODIMP CEnumMediaTypes::NonDelegatingQueryInterface(REFIID riid, void **ppv) {
    if (IsEqualGUID(riid, IID_IEnumMediaTypes)) {
        return GetInterface(static_cast<IEnumMediaTypes *>(this), ppv);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE **ppMediaTypes,
                                   ULONG *pcFetched) {
    if (ppMediaTypes == nullptr || (pcFetched == nullptr && cMediaTypes != 1)) {
        return E_POINTER;
    }
    ULONG fetched = 0;
    HRESULT hr = S_OK;
    while (fetched < cMediaTypes) {
        CMediaType mt;
        if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) {
            break;
        }
        AM_MEDIA_TYPE *pCopy = CreateMediaType(&mt);
        if (pCopy == nullptr) {
            hr = E_OUTOFMEMORY;
            break;
        }
        ++m_Position;
        ppMediaTypes[fetched++] = pCopy;
    }
    if (pcFetched != nullptr) {
        *pcFetched = fetched;
    }
    if (FAILED(hr) && fetched == 0) {
        return hr;
    }
    return fetched == cMediaTypes ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG cMediaTypes) {
    for (ULONG i = 0; i < cMediaTypes; ++i) {
        CMediaType mt;
        if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) {
            return S_FALSE;
        }
        ++m_Position;
    }
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    m_Position = 0;
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes **ppEnum) {
    return NewEnumerator<CEnumMediaTypes>(ppEnum, m_pPin, this);
}
