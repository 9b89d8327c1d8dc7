#include "filtergraph.h"

#include "systemclock.h"

#include <algorithm>

namespace {

// Enumerates a snapshot of the graph's filters taken when the enumerator was made.
class FilterEnumerator final : public IEnumFilters {
public:
    FilterEnumerator(std::vector<ComRef<IBaseFilter>> filters, size_t position)
        : m_filters(std::move(filters)), m_position(position) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumFilters) {
            *ppv = static_cast<IEnumFilters *>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

    STDMETHODIMP Next(ULONG cFilters, IBaseFilter **ppFilter, ULONG *pcFetched) override {
        if (!ppFilter || (cFilters > 1 && !pcFetched))
            return E_POINTER;
        ULONG fetched = 0;
        while (fetched < cFilters && m_position < m_filters.size()) {
            ppFilter[fetched] = m_filters[m_position++].get();
            ppFilter[fetched++]->AddRef();
        }
        if (pcFetched)
            *pcFetched = fetched;
        return fetched == cFilters ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cFilters) override {
        const size_t left = m_filters.size() - m_position;
        m_position += std::min<size_t>(cFilters, left);
        return cFilters <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumFilters **ppEnum) override {
        if (!ppEnum)
            return E_POINTER;
        *ppEnum = new FilterEnumerator(m_filters, m_position);
        return S_OK;
    }

private:
    ~FilterEnumerator() = default;

    std::atomic<ULONG> m_refs{1};
    std::vector<ComRef<IBaseFilter>> m_filters;
    size_t m_position;
};

ComRef<IBaseFilter> FilterOfPin(IPin *pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)))
        return {};
    return ComRef<IBaseFilter>::Adopt(info.pFilter);
}

// Breaks every connection of the filter's pins, at both ends.
void DisconnectPins(IBaseFilter *filter) {
    ComRef<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Out())) || !pins)
        return;
    ComRef<IPin> pin;
    while (pins->Next(1, pin.Out(), nullptr) == S_OK) {
        ComRef<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.Out())) && peer)
            peer->Disconnect();
        pin->Disconnect();
    }
}

// The filter a pin belongs to (not referenced), or null.
IBaseFilter *OwnerOf(IPin *pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter)
        return nullptr;
    info.pFilter->Release();
    return info.pFilter;
}

// The filters fed by a filter's connected output pins.
std::vector<IBaseFilter *> DownstreamOf(IBaseFilter *filter) {
    std::vector<IBaseFilter *> below;
    IEnumPins *pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return below;
    IPin *pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        IPin *peer = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT &&
            SUCCEEDED(pin->ConnectedTo(&peer))) {
            if (IBaseFilter *owner = OwnerOf(peer))
                below.push_back(owner);
            peer->Release();
        }
        pin->Release();
    }
    pins->Release();
    return below;
}

// Each filter after every filter it feeds; filters of a cycle keep their order at the end.
std::vector<ComRef<IBaseFilter>> DownstreamFirst(std::vector<ComRef<IBaseFilter>> filters) {
    std::vector<ComRef<IBaseFilter>> ordered;
    while (!filters.empty()) {
        const auto placed = [&](IBaseFilter *f) {
            return std::any_of(ordered.begin(), ordered.end(),
                               [f](const ComRef<IBaseFilter> &o) { return o.get() == f; });
        };
        const auto inGraph = [&](IBaseFilter *f) {
            return std::any_of(filters.begin(), filters.end(),
                               [f](const ComRef<IBaseFilter> &o) { return o.get() == f; });
        };
        auto ready = std::find_if(filters.begin(), filters.end(), [&](const auto &filter) {
            const std::vector<IBaseFilter *> below = DownstreamOf(filter.get());
            return std::all_of(below.begin(), below.end(), [&](IBaseFilter *f) {
                return f == filter.get() || placed(f) || !inGraph(f);
            });
        });
        if (ready == filters.end())
            ready = filters.begin();
        ordered.push_back(std::move(*ready));
        filters.erase(ready);
    }
    return ordered;
}

} // namespace

HRESULT FilterGraph::Create(FilterGraph **graph) {
    if (!graph)
        return E_POINTER;
    *graph = new FilterGraph();
    return S_OK;
}

FilterGraph::~FilterGraph() {
    if (m_state != State_Stopped)
        Stop();
    for (const Member &member : m_members)
        DisconnectPins(member.filter.get());
    for (const Member &member : m_members)
        member.filter->JoinFilterGraph(nullptr, nullptr);
}

STDMETHODIMP FilterGraph::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IFilterGraph) {
        *ppv = static_cast<IFilterGraph *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FilterGraph::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FilterGraph::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

std::vector<ComRef<IBaseFilter>> FilterGraph::Filters() const {
    std::lock_guard lock(m_mutex);
    std::vector<ComRef<IBaseFilter>> filters;
    for (const Member &member : m_members)
        filters.push_back(member.filter);
    return filters;
}

bool FilterGraph::Contains(IBaseFilter *filter) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_members.begin(), m_members.end(),
                       [&](const Member &member) { return member.filter.get() == filter; });
}

bool FilterGraph::PinInGraph(IPin *pin) const {
    const ComRef<IBaseFilter> filter = FilterOfPin(pin);
    return filter && Contains(filter.get());
}

bool FilterGraph::Stopped() const {
    return State() == State_Stopped;
}

FILTER_STATE FilterGraph::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void FilterGraph::SetState(FILTER_STATE state) {
    std::lock_guard lock(m_mutex);
    m_state = state;
}

std::u16string FilterGraph::UniqueName(LPCWSTR requested) const {
    const std::u16string base =
        std::u16string(requested ? requested : u"Filter").substr(0, MAX_FILTER_NAME - 1);
    const auto taken = [&](const std::u16string &name) {
        return std::any_of(m_members.begin(), m_members.end(),
                           [&](const Member &member) { return member.name == name; });
    };
    std::u16string name = base;
    for (int n = 1; taken(name); ++n) {
        char16_t suffix[6] = {u' ', 0, 0, 0, 0, 0};
        for (int digit = 4, value = n; digit >= 1; --digit, value /= 10)
            suffix[digit] = static_cast<char16_t>(u'0' + value % 10);
        name = base.substr(0, MAX_FILTER_NAME - 1 - 5) + suffix;
    }
    return name;
}

STDMETHODIMP FilterGraph::AddFilter(IBaseFilter *pFilter, LPCWSTR pName) {
    if (!pFilter)
        return E_POINTER;
    std::u16string name;
    ComRef<IReferenceClock> clock;
    {
        std::lock_guard lock(m_mutex);
        if (std::any_of(m_members.begin(), m_members.end(),
                        [&](const Member &member) { return member.filter.get() == pFilter; }))
            return E_INVALIDARG;
        name = UniqueName(pName);
        m_members.push_back({ComRef<IBaseFilter>::Share(pFilter), name});
        clock = m_clock;
    }
    const HRESULT hr = pFilter->JoinFilterGraph(this, name.c_str());
    if (FAILED(hr)) {
        ComRef<IBaseFilter> leaving;
        std::lock_guard lock(m_mutex);
        const auto member = std::find_if(m_members.begin(), m_members.end(), [&](const Member &m) {
            return m.filter.get() == pFilter;
        });
        if (member != m_members.end()) {
            leaving = std::move(member->filter);
            m_members.erase(member);
        }
        return hr;
    }
    if (clock)
        pFilter->SetSyncSource(clock.get());
    return S_OK;
}

STDMETHODIMP FilterGraph::RemoveFilter(IBaseFilter *pFilter) {
    if (!pFilter)
        return E_POINTER;
    ComRef<IBaseFilter> filter;
    {
        std::lock_guard lock(m_mutex);
        const auto member = std::find_if(m_members.begin(), m_members.end(), [&](const Member &m) {
            return m.filter.get() == pFilter;
        });
        if (member == m_members.end())
            return VFW_E_NOT_FOUND;
        filter = std::move(member->filter);
        m_members.erase(member);
    }
    if (!Stopped())
        filter->Stop();
    DisconnectPins(filter.get());
    filter->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
}

STDMETHODIMP FilterGraph::EnumFilters(IEnumFilters **ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = new FilterEnumerator(Filters(), 0);
    return S_OK;
}

STDMETHODIMP FilterGraph::FindFilterByName(LPCWSTR pName, IBaseFilter **ppFilter) {
    if (!pName || !ppFilter)
        return E_POINTER;
    *ppFilter = nullptr;
    std::lock_guard lock(m_mutex);
    for (const Member &member : m_members) {
        if (member.name == pName) {
            *ppFilter = member.filter.get();
            (*ppFilter)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP FilterGraph::ConnectDirect(IPin *ppinOut, IPin *ppinIn, const AM_MEDIA_TYPE *pmt) {
    if (!ppinOut || !ppinIn)
        return E_POINTER;
    if (!Stopped())
        return VFW_E_NOT_STOPPED;
    if (!PinInGraph(ppinOut) || !PinInGraph(ppinIn))
        return VFW_E_NOT_IN_GRAPH;
    return ppinOut->Connect(ppinIn, pmt);
}

STDMETHODIMP FilterGraph::Reconnect(IPin *ppin) {
    if (!ppin)
        return E_POINTER;
    if (!Stopped())
        return VFW_E_WRONG_STATE;
    ComRef<IPin> peer;
    if (const HRESULT hr = ppin->ConnectedTo(peer.Out()); FAILED(hr) || !peer)
        return FAILED(hr) ? hr : VFW_E_NOT_CONNECTED;
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (const HRESULT hr = ppin->QueryDirection(&direction); FAILED(hr))
        return hr;
    IPin *output = direction == PINDIR_OUTPUT ? ppin : peer.get();
    IPin *input = direction == PINDIR_OUTPUT ? peer.get() : ppin;
    output->Disconnect();
    input->Disconnect();
    return output->Connect(input, nullptr);
}

STDMETHODIMP FilterGraph::Disconnect(IPin *ppin) {
    if (!ppin)
        return E_POINTER;
    if (!Stopped())
        return VFW_E_NOT_STOPPED;
    return ppin->Disconnect();
}

STDMETHODIMP FilterGraph::SetDefaultSyncSource() {
    ComRef<IReferenceClock> clock;
    {
        std::lock_guard lock(m_mutex);
        if (!m_clock)
            m_clock = ComRef<IReferenceClock>::Adopt(SystemClock::Create());
        clock = m_clock;
    }
    return ForEachFilter([&](IBaseFilter *filter) { return filter->SetSyncSource(clock.get()); });
}

template <typename Call> HRESULT FilterGraph::ForEachFilter(Call call) const {
    HRESULT result = S_OK;
    for (const ComRef<IBaseFilter> &filter : DownstreamFirst(Filters())) {
        const HRESULT hr = call(filter.get());
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}

HRESULT FilterGraph::Pause() {
    SetState(State_Paused); // from here on Reconnect is refused
    const HRESULT hr = ForEachFilter([](IBaseFilter *filter) { return filter->Pause(); });
    if (FAILED(hr))
        Stop();
    return hr;
}

HRESULT FilterGraph::Run() {
    if (State() == State_Running)
        return S_OK;
    bool haveClock = false;
    {
        std::lock_guard lock(m_mutex);
        haveClock = static_cast<bool>(m_clock);
    }
    if (!haveClock) {
        if (const HRESULT hr = SetDefaultSyncSource(); FAILED(hr))
            return hr;
    }
    if (State() == State_Stopped) {
        if (const HRESULT hr = Pause(); FAILED(hr))
            return hr;
    }
    ComRef<IReferenceClock> clock;
    {
        std::lock_guard lock(m_mutex);
        clock = m_clock;
        m_state = State_Running;
    }
    REFERENCE_TIME start = 0;
    clock->GetTime(&start);
    const HRESULT hr = ForEachFilter([&](IBaseFilter *filter) { return filter->Run(start); });
    if (FAILED(hr))
        Stop();
    return hr;
}

HRESULT FilterGraph::Stop() {
    const HRESULT hr = ForEachFilter([](IBaseFilter *filter) { return filter->Stop(); });
    SetState(State_Stopped);
    return hr;
}
