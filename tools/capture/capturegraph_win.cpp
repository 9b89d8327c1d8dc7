#include "capturegraph.h"

namespace capture {

namespace {

// A filter that has not finished a state change by then is stuck, not slow.
constexpr DWORD kStateChangeMs = 10000;

} // namespace

struct CaptureGraph::Parts {
    ComRef<IFilterGraph2> graph;
    ComRef<IMediaControl> control;

    // Waits until the graph's state change has completed in every filter.
    HRESULT Settle(FILTER_STATE wanted) const {
        OAFilterState state = State_Stopped;
        const HRESULT hr = control->GetState(kStateChangeMs, &state);
        if (FAILED(hr))
            return hr;
        if (hr == VFW_S_STATE_INTERMEDIATE)
            return VFW_E_TIMEOUT;
        // VFW_S_CANT_CUE: paused, but a live source sends nothing until it runs.
        return state == wanted ? S_OK : VFW_E_WRONG_STATE;
    }
};

CaptureGraph::CaptureGraph(std::unique_ptr<Parts> parts) : m_parts(std::move(parts)) {}

CaptureGraph::~CaptureGraph() = default;

std::unique_ptr<CaptureGraph> CaptureGraph::Create(HRESULT *hr) {
    auto parts = std::make_unique<Parts>();
    *hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2,
                           reinterpret_cast<void **>(parts->graph.Out()));
    if (FAILED(*hr))
        return nullptr;
    *hr = parts->graph->QueryInterface(IID_IMediaControl,
                                       reinterpret_cast<void **>(parts->control.Out()));
    if (FAILED(*hr))
        return nullptr;
    return std::unique_ptr<CaptureGraph>(new CaptureGraph(std::move(parts)));
}

HRESULT CaptureGraph::AddFilter(IBaseFilter *filter, LPCWSTR name) {
    return m_parts->graph->AddFilter(filter, name);
}

HRESULT CaptureGraph::Connect(IPin *output, IPin *input, const AM_MEDIA_TYPE *type) {
    return m_parts->graph->ConnectDirect(output, input, type);
}

HRESULT CaptureGraph::Reconnect(IPin *output) {
    if (State() != State_Stopped)
        return VFW_E_WRONG_STATE;
    ComRef<IPin> peer;
    HRESULT hr = output->ConnectedTo(peer.Out());
    if (FAILED(hr) || !peer)
        return FAILED(hr) ? hr : VFW_E_NOT_CONNECTED;
    // Not IFilterGraph::Reconnect: the system's graph reconnects on a thread of its own later
    // and reports nothing, so the caller could neither wait for the new type nor see a refusal.
    if (FAILED(hr = m_parts->graph->Disconnect(output)) ||
        FAILED(hr = m_parts->graph->Disconnect(peer.get())))
        return hr;
    return m_parts->graph->ConnectDirect(output, peer.get(), nullptr);
}

HRESULT CaptureGraph::UseDefaultClock() {
    return m_parts->graph->SetDefaultSyncSource();
}

HRESULT CaptureGraph::Run() {
    const HRESULT hr = m_parts->control->Run();
    return FAILED(hr) ? hr : m_parts->Settle(State_Running);
}

HRESULT CaptureGraph::Pause() {
    const HRESULT hr = m_parts->control->Pause();
    return FAILED(hr) ? hr : m_parts->Settle(State_Paused);
}

HRESULT CaptureGraph::Stop() {
    const HRESULT hr = m_parts->control->Stop();
    return FAILED(hr) ? hr : m_parts->Settle(State_Stopped);
}

FILTER_STATE CaptureGraph::State() const {
    OAFilterState state = State_Stopped;
    if (FAILED(m_parts->control->GetState(0, &state)))
        return State_Stopped;
    return static_cast<FILTER_STATE>(state);
}

} // namespace capture
